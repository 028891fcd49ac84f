// rq36_manual_shots: the pictures of the help document, grabbed from the
// program's own windows while they work with the simulated module in this
// process (the COM-port stand-in library of the build's folder, an instant
// line, a module memory that never touches the disk).
//
//   rq36_manual_shots <folder> <picture name>...
//
// Writes <folder>/<name>.png for every name asked for; an unknown name, a
// window that did not reach the state its picture shows, or a file that
// cannot be written ends the run with a message and exit status 1 (2 for a
// wrong command line).  The simulated module sees fixed signals without
// noise and the traffic monitor's times are set to a fixed day, so a
// rebuild draws the same pictures.
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "about_box.h"
#include "calibration/calibration_dialog.h"
#include "interface/bus_scan.h"
#include "interface/connection_dialog.h"
#include "interface/connection_logic.h"
#include "interface/module_request.h"
#include "interface/scan_dialog.h"
#include "interface/traffic_monitor.h"
#include "interface/traffic_ring.h"
#include "live/analog_view.h"
#include "live/counter_view.h"
#include "live/digital_views.h"
#include "live/status_view.h"
#include "main_window.h"
#include "module/analog_range_dialog.h"
#include "module/communication_dialog.h"
#include "module/digital_options_dialog.h"
#include "module/restart_dialog.h"
#include "module/snapshot_dialogs.h"

namespace {

// What the simulated module sees: steady signals without noise on every
// input, FN raised at start beside PWR of a fresh module.
constexpr char kSimConfig[] =
    "[module main]\n"
    "noise = off\n"
    "ain0 = dc 5 V\n"
    "ain1 = dc -3.1 V\n"
    "ain2 = dc 7.7 V\n"
    "ain3 = dc 1.3 V\n"
    "ain4 = dc -6.4 V\n"
    "ain5 = dc 3.8 V\n"
    "status = fn\n";

// The longest a window may take to reach the state its picture shows.
constexpr int kSettleMs = 10000;

// Height of the drawn title bar, in pixels.
constexpr int kTitleBar = 24;

// A step that did not reach its state.
struct ShotError {
    QString text;
};

void Require(bool condition, const QString& what) {
    if (!condition) throw ShotError{what};
}

// Lets the event loop run for `ms`.
void Run(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets the event loop run until `done` holds; false after kSettleMs.
bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > kSettleMs) return false;
        Run(10);
    }
    return true;
}

template <typename W>
W* Find(const QObject* parent, const char* name) {
    W* child = parent->findChild<W*>(QString::fromLatin1(name));
    Require(child != nullptr, QStringLiteral("no control ") + QString::fromLatin1(name));
    return child;
}

QString Status(const QWidget* dialog) { return Find<QLabel>(dialog, "StatusBar1Panel0")->text(); }

// The window as a user sees it on the screen: its contents under a plain
// title bar with its caption, in a thin frame.  No text cursor, no focus.
QImage Grab(QWidget* window) {
    if (QWidget* focus = window->focusWidget()) focus->clearFocus();
    Run(20);
    QPixmap inside = window->grab();
    inside.setDevicePixelRatio(1);
    QImage image(inside.width() + 2, inside.height() + kTitleBar + 1, QImage::Format_RGB32);
    image.fill(QColor(0x70, 0x78, 0x84));
    QPainter painter(&image);
    painter.fillRect(QRect(1, 1, inside.width(), kTitleBar - 1), QColor(0xdd, 0xe3, 0xec));
    QFont font = QApplication::font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(0x20, 0x28, 0x34));
    // A caption wider than a small window ends in an ellipsis, as a desktop shows it.
    const QRect caption(10, 1, inside.width() - 20, kTitleBar - 1);
    painter.drawText(
        caption, Qt::AlignLeft | Qt::AlignVCenter,
        painter.fontMetrics().elidedText(window->windowTitle().trimmed(), Qt::ElideRight, caption.width()));
    painter.drawPixmap(1, kTitleBar, inside);
    painter.end();
    return image;
}

// Shows a window and waits until it is laid out and painted.
void Show(QWidget* window) {
    window->show();
    Run(50);
}

// The session: one main window, connected through the connection dialog,
// and every picture taken in turn.  Later pictures build on earlier ones
// (the scan and the monitor show the exchanges made before them).
class Session {
public:
    explicit Session(const QString& folder) {
        hooks_.settingsPath = folder + QStringLiteral("/W_rq36.ini");
        hooks_.reportSaveFailure = [](const QString& message) {
            std::fprintf(stderr, "rq36_manual_shots: %s\n", qPrintable(message));
        };
        window_ = std::make_unique<TForm1>(nullptr, hooks_);
        window_->resize(600, 400);
    }
    ~Session() { window_->close(); }

    // Takes every picture, in order, into `shots`.
    void TakeAll(std::map<QString, QImage>& shots);

private:
    rq36::ConnectionSettings* Record() const { return window_->Settings(); }
    QString Success() const {
        return QLatin1Char(' ') + rq36::StatusMessage(static_cast<std::uint8_t>(Record()->InterfaceKind), 0);
    }

    // A dialog of the menu, opened as the menu opens it (the main window
    // as its owner) but shown without a modal loop of its own.
    template <typename D>
    std::unique_ptr<D> Open() {
        auto dialog = std::make_unique<D>(Record(), window_.get());
        Show(dialog.get());
        return dialog;
    }
    // A live view once a tick has shown its values.
    template <typename D>
    std::unique_ptr<D> OpenLive(const char* what) {
        auto view = Open<D>();
        Require(RunUntil([&] { return Status(view.get()) == Success(); }),
                QString::fromLatin1(what) + QStringLiteral(": ") + Status(view.get()));
        return view;
    }

    rq36::MainWindowHooks hooks_;
    std::unique_ptr<TForm1> window_;
};

void Session::TakeAll(std::map<QString, QImage>& shots) {
    Show(window_.get());

    {  // The connection with the record's defaults: COMx, address 1, 9600 Bd.
        TFormPripojeni dialog(Record(), window_.get());
        Show(&dialog);
        Find<QPushButton>(&dialog, "Button1")->click();
        Require(rq36::IsConnected(Record()), QStringLiteral("connection: ") + Find<QLabel>(&dialog, "Panel1")->text());
        shots[QStringLiteral("connection_dialog")] = Grab(&dialog);
        dialog.reject();
    }
    window_->RefreshStatusBar();
    shots[QStringLiteral("main_window")] = Grab(window_.get());

    {  // Addresses 0 to 3 at the connection's speed: one module, three silent addresses.
        TFormVyhledani dialog(Record(), window_.get());
        Show(&dialog);
        Find<QSpinBox>(&dialog, "SpinDo")->setValue(3);
        const QString keep = QStringLiteral("CheckRychlost%1").arg(Record()->Speed);
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
            if (box->objectName().startsWith(QStringLiteral("CheckRychlost")))
                box->setChecked(box->objectName() == keep);
        Find<QPushButton>(&dialog, "ButtonHledat")->click();
        Require(RunUntil([&] { return !dialog.Scanning(); }) && dialog.Found().size() == 1,
                QStringLiteral("scan: ") + Find<QLabel>(&dialog, "Panel1")->text());
        Find<QTableWidget>(&dialog, "Table1")->selectRow(0);
        shots[QStringLiteral("scan_dialog")] = Grab(&dialog);
        dialog.reject();
    }

    // The configuration dialogs after "Přečíst".
    const auto configuration = [&](auto dialog, const char* name) {
        Find<QPushButton>(dialog.get(), "Button2")->click();
        Require(RunUntil([&] { return Status(dialog.get()) == QStringLiteral(" Konfigurace přečtena."); }),
                QString::fromLatin1(name) + QStringLiteral(": ") + Status(dialog.get()));
        shots[QString::fromLatin1(name)] = Grab(dialog.get());
        dialog->reject();
    };
    configuration(Open<TForm12>(), "address_dialog");
    configuration(Open<TForm13>(), "analog_ranges_dialog");
    configuration(Open<TForm14>(), "digital_options_dialog");

    // The configuration as it is now, in a file (no picture): compared with
    // the module once the calibration has changed a range.
    const QString snapshot = QStringLiteral("modul_01.rq36cfg");
    {
        TFormSnapshot dialog(rq36::SnapshotMode::Save, snapshot, Record(), window_.get());
        Show(&dialog);
        Find<QPushButton>(&dialog, "Button1")->click();
        Require(Status(&dialog) == QStringLiteral(" Konfigurace uložena do souboru."),
                QStringLiteral("snapshot: ") + Status(&dialog));
        dialog.reject();
    }
    // The monitor's picture shows the exchanges up to here: their number
    // does not depend on how often a live view ticked.
    const std::uint64_t shownTraffic = rq36::ProgramTraffic().Total();

    {  // Asks only; nothing is sent.
        auto dialog = Open<TFormRestartModulu>();
        shots[QStringLiteral("restart_dialog")] = Grab(dialog.get());
        dialog->reject();
    }

    {
        auto view = OpenLive<TForm3>("analog view");
        shots[QStringLiteral("analog_view")] = Grab(view.get());
        view->reject();
    }
    {  // CNT0 preset, as the buttons do it on the next tick.
        auto view = OpenLive<TForm4>("counter view");
        Find<QLineEdit>(view.get(), "Edit1")->setText(QStringLiteral("12345"));
        Find<QPushButton>(view.get(), "Button6")->click();
        Require(RunUntil([&] { return Find<QLabel>(view.get(), "Label3")->text() == QStringLiteral("12345"); }),
                QStringLiteral("counter preset: ") + Status(view.get()));
        shots[QStringLiteral("counter_view")] = Grab(view.get());
        view->reject();
    }
    {
        auto view = OpenLive<TFormOkamDIN>("digital input view");
        shots[QStringLiteral("din_view")] = Grab(view.get());
        view->reject();
    }
    {
        auto view = OpenLive<TForm15>("status register view");
        shots[QStringLiteral("status_view")] = Grab(view.get());
        view->reject();
    }
    {  // The first step of a calibration of AIN0 on the +/- 5V DC range.
        auto dialog = Open<TForm6>();
        Find<QComboBox>(dialog.get(), "ComboBox1")->setCurrentIndex(1);
        Require(RunUntil([&] { return !Find<QLineEdit>(dialog.get(), "Edit3")->text().isEmpty(); }),
                QStringLiteral("calibration: no live value"));
        Find<QPushButton>(dialog.get(), "Button1")->click();
        Require(Find<QPlainTextEdit>(dialog.get(), "Memo1")->toPlainText().contains(QStringLiteral("Zkratuj")),
                QStringLiteral("calibration: ") + Status(dialog.get()));
        Run(600);  // one more tick of the live value
        shots[QStringLiteral("calibration_dialog")] = Grab(dialog.get());
        dialog->reject();
    }
    {
        TFormSnapshot dialog(rq36::SnapshotMode::Compare, snapshot, Record(), window_.get());
        Show(&dialog);
        Find<QPushButton>(&dialog, "Button1")->click();
        Require(Status(&dialog) == QStringLiteral(" Počet rozdílů: 1"), QStringLiteral("compare: ") + Status(&dialog));
        shots[QStringLiteral("snapshot_compare")] = Grab(&dialog);
        dialog.reject();
    }
    {  // DOUT1 on (the simulated fixture then feeds the reference to the inputs).
        auto dialog = Open<TFormOkamDOUT>();
        Find<QCheckBox>(dialog.get(), "CheckBox2")->setChecked(true);
        Find<QPushButton>(dialog.get(), "Button1")->click();
        Require(RunUntil([&] { return !Status(dialog.get()).trimmed().isEmpty(); }),
                QStringLiteral("digital outputs: no status"));
        shots[QStringLiteral("dout_dialog")] = Grab(dialog.get());
        dialog->reject();
    }
    {
        TFormOProgramu box(window_.get());
        Show(&box);
        shots[QStringLiteral("about_box")] = Grab(&box);
        box.reject();
    }

    {  // The monitor over the exchanges up to the saved configuration, from
        // the first one, on a fixed day and with each exchange as long as
        // the line makes it.
        const rq36::TrafficRing& program = rq36::ProgramTraffic();
        rq36::TrafficRing ring(program.Capacity());
        std::int64_t at = QDateTime(QDate(2026, 12, 8), QTime(9, 15, 2, 120)).toMSecsSinceEpoch();
        const std::int32_t speed = Record()->Speed;
        const double answered = rq36::ScanExchangeLineMs(false, speed);
        const double silent = rq36::ScanRequestLineMs(false, speed) + rq36::ScanTryTimeoutMs(false, speed);
        for (std::uint64_t s = program.First(); s < shownTraffic; ++s) {
            rq36::ExchangeRecord record = *program.Find(s);
            const double ms = record.Failed() ? silent : answered;
            record.startedMs = at;
            record.durationUs = static_cast<std::int32_t>(ms * 1000.0 + 0.5);
            at += static_cast<std::int64_t>(ms) + 3;
            ring.Push(record);
        }
        Require(ring.Size() > 20, QStringLiteral("traffic: only %1 exchanges").arg(ring.Size()));
        TFormKomunikace monitor(ring);
        // Wide enough for every column; the per-address figures dragged
        // open just far enough for their rows.
        monitor.resize(1000, 560);
        Show(&monitor);
        auto* splitter = monitor.findChild<QSplitter*>();
        Require(splitter != nullptr, QStringLiteral("traffic: no splitter"));
        const auto* figures = Find<QTableWidget>(&monitor, "Figures1");
        const int figuresHeight =
            figures->horizontalHeader()->height() + figures->verticalHeader()->length() + 2 * figures->frameWidth() + 2;
        const QList<int> sizes = splitter->sizes();
        splitter->setSizes({sizes.value(0) + sizes.value(1) - figuresHeight, figuresHeight});
        Run(50);
        QTableView* table = Find<QTableView>(&monitor, "Table1");
        while (table->horizontalScrollBar()->isVisible() && monitor.width() < 1600) {
            monitor.resize(monitor.width() + 20, monitor.height());
            Run(20);
        }
        shots[QStringLiteral("traffic_monitor")] = Grab(&monitor);
        monitor.close();
    }
}

// Qt's messages, less the offscreen platform's note that it keeps no
// window manager hints (one per dialog: noise in the build's output).
QtMessageHandler qtMessages = nullptr;
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QStringLiteral("propagateSizeHints"))) return;
    if (qtMessages != nullptr) {
        qtMessages(type, context, message);
    } else {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

bool Save(const QImage& image, const QString& path) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
}

}  // namespace

int main(int argc, char* argv[]) {
    // The pictures never depend on the desktop they are made on.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir work;
    if (!work.isValid()) {
        std::fprintf(stderr, "rq36_manual_shots: no temporary folder\n");
        return 1;
    }
    // The simulated world of the pictures, and nothing written outside the
    // temporary folder.
    const QString config = work.filePath(QStringLiteral("sim.conf"));
    {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(kSimConfig) != qint64(sizeof kSimConfig - 1)) {
            std::fprintf(stderr, "rq36_manual_shots: cannot write %s\n", qPrintable(config));
            return 1;
        }
    }
    qputenv("RQ36_SIM_CONFIG", QFile::encodeName(config));
    qputenv("RQ36_SIM_INSTANT", "1");
    qputenv("RQ36_SIM_STATE", ":memory:");
    qputenv("RQ36_SIM_PANEL_DIR", "off");
    qunsetenv("RQ36_SIM_FAULT");
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"})
        qputenv(name, QFile::encodeName(work.path()));

    qtMessages = qInstallMessageHandler(FilterMessages);
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: rq36_manual_shots <folder> <picture name>...\n");
        return 2;
    }
    QApplication::setStyle(QStringLiteral("Fusion"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(9);
    QApplication::setFont(font);
    QApplication::setQuitOnLastWindowClosed(false);
    // Numbers as a Czech desktop writes them (a decimal comma).
    QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));

    // Files the windows save (the configuration file compared later) land
    // in the temporary folder, under a short name.
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir::setCurrent(work.path());
    std::map<QString, QImage> shots;
    try {
        Session session(work.path());
        session.TakeAll(shots);
    } catch (const ShotError& error) {
        std::fprintf(stderr, "rq36_manual_shots: %s\n", qPrintable(error.text));
        return 1;
    }

    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "rq36_manual_shots: cannot create %s\n", argv[1]);
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        const auto shot = shots.find(name);
        if (shot == shots.end()) {
            std::fprintf(stderr, "rq36_manual_shots: no picture named %s\n", argv[i]);
            return 2;
        }
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        if (!Save(shot->second, path)) {
            std::fprintf(stderr, "rq36_manual_shots: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("%s: %d pictures\n", argv[1], argc - 2);
    return 0;
}
