// The diagnostic window of a handle in a host that runs a QApplication,
// against the recording fake driver.
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <array>
#include <memory>

#include "diagnostic_form.h"
#include "fake_ox952.h"
#include "library_state.h"
#include "orsg.h"

namespace {

using Params = std::array<int32_t, 16>;
constexpr int32_t kShowWindow = ORSG_INIT_SHOW_WINDOW;

orsg::LibraryState& StateOf(intptr_t h) { return *reinterpret_cast<orsg::LibraryState*>(h); }

orsg::TForm1* FormOf(intptr_t h) {
    auto* window = dynamic_cast<orsg::QtDiagnosticWindow*>(StateOf(h).window.get());
    return window != nullptr ? window->Form() : nullptr;
}

QString Cell(QTableView* grid, int row, int column) { return grid->model()->index(row, column).data().toString(); }

// A handle opened for one test and closed at its end.
struct Handle {
    explicit Handle(int32_t channel = 0, bool show = true) {
        Params p{};
        p[3] = channel;
        p[15] = show ? kShowWindow : 0;
        result = ORSG_Init(&h, p.data());
    }
    ~Handle() {
        if (h != 0) ORSG_Done(&h);
    }
    // One exchange with data byte 0 = d0; returns the status.
    int32_t Send(int32_t d0) const {
        std::array<int32_t, 1024> request{};
        request[0] = 1;
        request[1] = 0x66;
        request[2] = d0;
        std::array<int32_t, 16> response{};
        int32_t reply = 0;
        int32_t status = -1;
        if (ORSG_Send(h, request.data(), response.data(), &reply, &status) != ORSG_OK) return -1;
        return status;
    }
    intptr_t h = 0;
    int32_t result = -1;
};

// The card answers "timeout" (4) to every message whose data byte 0 is odd.
fake::SlotReply OddFails(const fake::Job& job, int slot) {
    fake::SlotReply reply = fake::DefaultReply(job, slot);
    if (job.messages[static_cast<std::size_t>(slot)][2] % 2 != 0) reply.status[0] = 4;
    return reply;
}

}  // namespace

class DiagnosticWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        fake::Reset(2);
        fake::Get().responder = OddFails;
    }

    void HiddenWithoutBit8ShownWithItOneWindowPerHandle() {
        Handle quiet(0, false);
        auto shown = std::make_unique<Handle>(1, true);
        QCOMPARE(quiet.result, ORSG_OK);
        QCOMPARE(shown->result, ORSG_OK);
        QPointer<orsg::TForm1> quietForm = FormOf(quiet.h);
        QPointer<orsg::TForm1> shownForm = FormOf(shown->h);
        QVERIFY(quietForm && shownForm && quietForm != shownForm);
        QVERIFY(!quietForm->isVisible());
        QVERIFY(shownForm->isVisible());
        QCOMPARE(shownForm->windowTitle(), QString::fromUtf8(" ORSG - EUART2"));
        QCOMPARE(Cell(shownForm->StringGrid1, 8, 0), QString("EUART2"));
        // The page of the design size, whole where the screen has room,
        // scrolled where not; the window within the screen.
        QCOMPARE(shownForm->ScrollBox->widget()->size(), QSize(897, 704));
        const QRect area = shownForm->screen()->availableGeometry();
        QVERIFY(area.contains(shownForm->geometry()));
        QCOMPARE(shownForm->size(), QSize(897, 704).boundedTo(area.size() - QSize(16, 48)));
        // Every history header fits its column.
        const QFontMetrics metrics(shownForm->StringGrid4->horizontalHeader()->font());
        for (int c = 0; c < orsg::kHistoryColumns; ++c) {
            const QString header = shownForm->StringGrid4->model()->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(metrics.horizontalAdvance(header) + 4 <= shownForm->StringGrid4->columnWidth(c),
                     qPrintable(header));
        }

        // Closing by the user only hides; Done takes its own handle's window.
        shownForm->close();
        QVERIFY(!shownForm->isVisible());
        QVERIFY(shownForm);
        shown.reset();
        QVERIFY(!shownForm);
        QVERIFY(quietForm);
    }

    void GridsFollowTheHistoriesAndTheClearButtons() {
        Handle handle;
        orsg::TForm1* form = FormOf(handle.h);
        QVERIFY(form);
        // The first tick comes after 10 ms, then every second.
        QCOMPARE(form->Timer1->interval(), 10);
        QTRY_COMPARE(form->Timer1->interval(), 1000);

        for (int i = 0; i < 248; ++i) handle.Send(i % 8 == 3 || i % 8 == 5 || i % 8 == 7 ? 1 : 0);
        form->Timer1Timer();
        const orsg::LibraryState& state = StateOf(handle.h);
        QCOMPARE(Cell(form->StringGrid3, 0, 0), QString("248"));
        QCOMPARE(Cell(form->StringGrid3, 1, 0), QString("248"));
        QCOMPARE(Cell(form->StringGrid3, 2, 0), QString::number(state.stats.totalErrors));
        QCOMPARE(Cell(form->StringGrid3, 3, 0), QLocale().toString(37.5, 'f', 2));
        QCOMPARE(Cell(form->StringGrid4, 0, 0), QString("247"));
        QCOMPARE(Cell(form->StringGrid4, 199, 0), QString("48"));
        QCOMPARE(Cell(form->StringGrid4, 1, 7), QString("01 66 00 00 00 00 00 00"));
        QCOMPARE(Cell(form->StringGrid5, 0, 0), QString("247"));
        QCOMPARE(Cell(form->StringGrid5, 0, 3), QString("4"));
        QCOMPARE(Cell(form->StringGrid5, 0, 7), QString("01 66 01 00 00 00 00 00"));
        QCOMPARE(form->StringGrid4->model()->headerData(4, Qt::Horizontal).toString(),
                 QString::fromUtf8("Značka [ms]"));
        // Every shown cell is the sheet's text.
        for (int row = 0; row < 200; ++row)
            for (int c = 0; c < orsg::kHistoryColumns; ++c)
                QCOMPARE(Cell(form->StringGrid5, row, c), QString::fromStdString(form->Sheet().errors.At(row + 1, c)));

        // The history grids change at the next tick, the overview at once.
        QTest::mouseClick(form->Button2, Qt::LeftButton);
        QCOMPARE(state.recent.Entry(0).index, 0);
        QCOMPARE(Cell(form->StringGrid4, 0, 0), QString("247"));
        form->Timer1Timer();
        QCOMPARE(Cell(form->StringGrid4, 0, 0), QString("0"));
        QCOMPARE(Cell(form->StringGrid4, 0, 1), QString());
        QCOMPARE(Cell(form->StringGrid5, 0, 0), QString("247"));
        QTest::mouseClick(form->Button3, Qt::LeftButton);
        form->Timer1Timer();
        QCOMPARE(Cell(form->StringGrid5, 0, 0), QString("0"));
        QCOMPARE(Cell(form->StringGrid3, 1, 0), QString("0"));  // idle host

        QTest::mouseClick(form->Button1, Qt::LeftButton);
        QCOMPARE(Cell(form->StringGrid3, 0, 0), QString("0"));
        QCOMPARE(Cell(form->StringGrid3, 3, 0), QLocale().toString(0.0, 'f', 2));
        handle.Send(0);
        QCOMPARE(state.recent.Entry(0).index, 0);
    }

    void SavedLogIsThePlainWritersTextAndAFailureWritesNothing() {
        const QString previous = QDir::currentPath();
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        Handle handle;
        orsg::TForm1* form = FormOf(handle.h);
        for (int i = 0; i < 12; ++i) handle.Send(i % 4 == 1 ? 1 : 0);
        form->Timer1Timer();
        QTest::mouseClick(form->Button4, Qt::LeftButton);
        QCOMPARE(form->LogError(), QString());
        const QStringList files = QDir().entryList({"ORSG_2_5_0_*_*.log"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        // The user is told where it went.
        QCOMPARE(form->LogPath(), QDir::toNativeSeparators(QDir(dir.path()).absoluteFilePath(files[0])));
        auto* told = form->findChild<QMessageBox*>();
        QVERIFY(told && told->text().endsWith(form->LogPath()));
        QFile file(files[0]);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.toStdString(), orsg::LogText(form->Sheet()));
        QVERIFY(
            bytes.startsWith("Identifikace :\r\n______________\r\n\r\nN\xE1zev knihovny = ORSG.DLL\r\n"
                             "Verze knihovny = 1"));
        QVERIFY(bytes.contains("\r\nTyp a verze FW = FW 3.4"));
        QVERIFY(
            bytes.contains("\r\nV\xFD"
                           "b\xECr karty = automaticky (prvn\xED nalezen\xE1)\r\n"));
        if (const QByteArray grabTo = qgetenv("RQ36_GRAB_DIR"); !grabTo.isEmpty())
            form->grab().save(QString::fromLocal8Bit(grabTo) + "/orsg_diagnostic_window.png");

        // A current folder that is gone: a message naming the file, no file
        // anywhere, the
        // statistics as they were.
        QTemporaryDir gone;
        QVERIFY(QDir::setCurrent(gone.path()));
        QVERIFY(gone.remove());
        const uint32_t calls = StateOf(handle.h).stats.totalCalls;
        QTest::mouseClick(form->Button4, Qt::LeftButton);
        QVERIFY2(form->LogError().contains("ORSG_2_5_0_"), qPrintable(form->LogError()));
        QVERIFY(form->findChild<QMessageBox*>() != nullptr);
        QCOMPARE(StateOf(handle.h).stats.totalCalls, calls);
        QVERIFY(QDir::setCurrent(previous));
    }
};

QTEST_MAIN(DiagnosticWindowTest)
#include "diagnostic_window_test.moc"
