#include "panel_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "panel_channel.h"

namespace {

constexpr int kRefreshMs = 500;
constexpr int kFindEvery = 4;  // refreshes between looks for worlds
constexpr std::array<const char*, 5> kStatusBits = {"fn", "prf", "pwr", "rst", "err24"};
constexpr std::array<std::pair<const char*, const char*>, 11> kReport = {{{"address", "Adresa"},
                                                                          {"speed", "Rychlost [Bd]"},
                                                                          {"parity", "Parita"},
                                                                          {"protocol", "Protokol"},
                                                                          {"dout0", "DOUT0"},
                                                                          {"dout1", "DOUT1"},
                                                                          {"din0", "DIN0"},
                                                                          {"din1", "DIN1"},
                                                                          {"cnt0", "CNT0"},
                                                                          {"cnt1", "CNT1"},
                                                                          {"status", "Stavový registr"}}};

QComboBox* Choice(const QStringList& items) {
    auto* box = new QComboBox;
    box->setEditable(true);
    box->addItems(items);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMinimumContentsLength(18);
    return box;
}

}  // namespace

PanelWindow::PanelWindow(QWidget* parent)
    : QWidget(parent), worlds_(new QComboBox), modules_(new QComboBox), message_(new QLabel), timer_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Čelní panel simulovaného modulu RQ-36"));
    auto* top = new QHBoxLayout;
    auto* find = new QPushButton(QStringLiteral("Hledat"));
    top->addWidget(new QLabel(QStringLiteral("Simulace:")));
    top->addWidget(worlds_, 1);
    top->addWidget(find);
    top->addWidget(new QLabel(QStringLiteral("Modul:")));
    top->addWidget(modules_);

    auto* inputs = new QGroupBox(QStringLiteral("Analogové vstupy (zdroj)"));
    auto* inputGrid = new QGridLayout(inputs);
    const QStringList sources = {QStringLiteral("config"),
                                 QStringLiteral("short"),
                                 QStringLiteral("open"),
                                 QStringLiteral("9 V"),
                                 QStringLiteral("0 V"),
                                 QStringLiteral("5 V"),
                                 QStringLiteral("22.5 mA"),
                                 QStringLiteral("12 mA"),
                                 QStringLiteral("dc 2 V, ac 1 V"),
                                 QStringLiteral("dc 5 V, drift 1 V, period 10 s"),
                                 QStringLiteral("dc 1 V, noise 200")};
    for (std::size_t i = 0; i < ain_.size(); ++i) {
        ain_[i] = Choice(sources);
        ain_[i]->setObjectName(QStringLiteral("ain%1").arg(i));
        inputGrid->addWidget(new QLabel(QStringLiteral("AIN%1").arg(i)), static_cast<int>(i), 0);
        inputGrid->addWidget(ain_[i], static_cast<int>(i), 1);
        connect(ain_[i], &QComboBox::textActivated, this,
                [this, i](const QString& v) { Send(QStringLiteral("ain%1").arg(i), v); });
    }

    auto* digital = new QGroupBox(QStringLiteral("Digitální vstupy a čítače"));
    auto* digitalGrid = new QGridLayout(digital);
    for (std::size_t i = 0; i < din_.size(); ++i) {
        const int row = static_cast<int>(i);
        din_[i] = Choice({QStringLiteral("loopback"), QStringLiteral("0"), QStringLiteral("1"),
                          QStringLiteral("pulse 500 ms"), QStringLiteral("pulse 2 s"), QStringLiteral("config")});
        din_[i]->setObjectName(QStringLiteral("din%1").arg(i));
        connect(din_[i], &QComboBox::textActivated, this,
                [this, i](const QString& v) { Send(QStringLiteral("din%1").arg(i), v); });
        rates_[i] = new QDoubleSpinBox;
        rates_[i]->setObjectName(QStringLiteral("cnt%1_rate").arg(i));
        rates_[i]->setRange(0, 1000000);
        rates_[i]->setDecimals(1);
        rates_[i]->setValue(i == 0 ? 10 : 25);
        rates_[i]->setSuffix(QStringLiteral(" /s"));
        auto* apply = new QPushButton(QStringLiteral("Nastavit"));
        connect(apply, &QPushButton::clicked, this,
                [this, i] { Send(QStringLiteral("cnt%1_rate").arg(i), QString::number(rates_[i]->value(), 'f', 1)); });
        digitalGrid->addWidget(new QLabel(QStringLiteral("DIN%1").arg(i)), row, 0);
        digitalGrid->addWidget(din_[i], row, 1);
        digitalGrid->addWidget(new QLabel(QStringLiteral("CNT%1").arg(i)), row, 2);
        digitalGrid->addWidget(rates_[i], row, 3);
        digitalGrid->addWidget(apply, row, 4);
    }

    auto* status = new QGroupBox(QStringLiteral("Stavové podmínky (jednou / trvale)"));
    auto* statusGrid = new QGridLayout(status);
    for (std::size_t i = 0; i < kStatusBits.size(); ++i) {
        const QString name = QString::fromLatin1(kStatusBits[i]);
        auto* raise = new QPushButton(name.toUpper());
        raise->setObjectName(QStringLiteral("raise_") + name);
        raise->setToolTip(QStringLiteral("Nastaví bit jednou; smaže ho mazání stavového registru."));
        connect(raise, &QPushButton::clicked, this, [this, name] { Send(QStringLiteral("raise"), name); });
        hold_[i] = new QCheckBox(QStringLiteral("trvale"));
        hold_[i]->setObjectName(QStringLiteral("hold_") + name);
        connect(hold_[i], &QCheckBox::clicked, this, [this] {
            QStringList held;
            for (std::size_t b = 0; b < hold_.size(); ++b)
                if (hold_[b]->isChecked()) held << QString::fromLatin1(kStatusBits[b]);
            Send(QStringLiteral("status_hold"), held.isEmpty() ? QStringLiteral("none") : held.join(u','));
        });
        statusGrid->addWidget(raise, 0, static_cast<int>(i));
        statusGrid->addWidget(hold_[i], 1, static_cast<int>(i));
    }

    auto* held = new QGroupBox(QStringLiteral("Modul teď"));
    auto* form = new QFormLayout(held);
    for (std::size_t i = 0; i < report_.size(); ++i) {
        report_[i] = new QLabel(QStringLiteral("–"));
        // Room for the longest value (a counter's ten digits, four hex bytes).
        report_[i]->setMinimumWidth(report_[i]->fontMetrics().horizontalAdvance(QStringLiteral("4294967295 ")));
        report_[i]->setObjectName(QStringLiteral("report_") + QString::fromLatin1(kReport[i].first));
        form->addRow(QString::fromUtf8(kReport[i].second), report_[i]);
    }

    auto* left = new QVBoxLayout;
    left->addWidget(inputs);
    left->addWidget(digital);
    left->addWidget(status);
    left->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(held);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(body);
    message_->setObjectName(QStringLiteral("message"));
    message_->setWordWrap(true);
    main->addWidget(message_);

    connect(find, &QPushButton::clicked, this, &PanelWindow::FindWorlds);
    connect(worlds_, &QComboBox::currentIndexChanged, this, [this] {
        modules_->clear();
        Refresh();
    });
    connect(timer_, &QTimer::timeout, this, &PanelWindow::Refresh);
    timer_->start(kRefreshMs);
    FindWorlds();
}

void PanelWindow::FindWorlds() {
    const QString before = worlds_->currentData().toString();
    QStringList paths, names;
    for (const rq36sim::PanelEndpoint& e : rq36sim::FindPanelWorlds()) {
        paths << QString::fromStdString(e.path);
        names << QStringLiteral("%1 (proces %2)").arg(QString::fromStdString(e.world)).arg(e.pid);
    }
    QStringList shown;
    for (int i = 0; i < worlds_->count(); ++i) shown << worlds_->itemData(i).toString();
    if (shown == paths) return;  // nothing came or went: the choice stays
    const QSignalBlocker quiet(worlds_);
    worlds_->clear();
    for (int i = 0; i < paths.size(); ++i) worlds_->addItem(names[i], paths[i]);
    if (const int i = worlds_->findData(before); i >= 0) worlds_->setCurrentIndex(i);
    modules_->clear();
    if (worlds_->count() == 0)
        message_->setText(QStringLiteral("Žádná simulace neběží (spusťte W_RQ36 nebo rq36-modbus-sim)."));
}

QString PanelWindow::Module() const { return modules_->currentText(); }

void PanelWindow::Refresh() {
    // Worlds come and go with the program's interface libraries.
    if (++ticks_ % kFindEvery == 0) FindWorlds();
    const QString path = worlds_->currentData().toString();
    if (path.isEmpty()) return;
    std::string reply, error;
    if (!rq36sim::PanelRequest(path.toStdString(), "get", reply, error, 1000)) {
        message_->setText(QString::fromStdString(error));
        for (QLabel* l : report_) l->setEnabled(false);  // stale until the next report
        return;
    }
    const auto modules = rq36sim::ParsePanelReport(reply);
    if (modules_->count() != static_cast<int>(modules.size())) {
        modules_->clear();
        for (const auto& m : modules) modules_->addItem(QString::fromStdString(m.id));
    }
    for (const auto& m : modules) {
        if (QString::fromStdString(m.id) != Module()) continue;
        for (std::size_t i = 0; i < report_.size(); ++i) {
            report_[i]->setEnabled(true);
            report_[i]->setText(QString::fromStdString(m.Value(kReport[i].first)));
        }
    }
}

void PanelWindow::Send(const QString& key, const QString& value) {
    const QString path = worlds_->currentData().toString();
    if (path.isEmpty()) return;
    const QString module = Module();
    const QString target = module.isEmpty() ? key : module + u'/' + key;
    std::string reply, error;
    if (!rq36sim::PanelRequest(path.toStdString(), "set " + (target + u'=' + value).toStdString(), reply, error)) {
        message_->setText(QString::fromStdString(error));
        return;
    }
    message_->setText(reply.rfind("error ", 0) == 0 ? QString::fromStdString(reply.substr(6)).trimmed()
                                                    : QStringLiteral("%1 = %2").arg(target, value));
    Refresh();
}
