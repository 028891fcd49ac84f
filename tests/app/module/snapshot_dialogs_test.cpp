// The snapshot dialog over a scripted module: save, compare with the module
// and with a second file, restore (a refused file sends nothing), clone; and
// pictures of the compare and clone dialogs.
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "module/snapshot_dialogs.h"
#include "scripted_module.h"

using rq36::ConnectionSettings;
using rq36::SnapshotMode;
using rq36::test::ScriptedModule;

namespace {

struct Fixture {
    ConnectionSettings record;
    ScriptedModule module;
    std::unique_ptr<TFormSnapshot> dialog;

    Fixture() {
        rq36::SetDefaults(&record);
        record.Connected = true;
        record.LibraryHandle = 1;
        module.answer = [](const rq36::ModuleCommand& c) {
            rq36::ModuleReply r;
            if (c.command == rq36::kCmdReadIdentity)
                for (int k = 0; k < 4; ++k) r.r[k] = static_cast<std::uint8_t>("RQ-36   1.02"[c.d0 * 4 + k]);
            return r;
        };
        module.memory[0][rq36::kCfgModuleAddress] = 1;
        module.memory[0][rq36::kCfgSpeed] = 4;
    }
    TFormSnapshot& Open(SnapshotMode mode, const QString& path) {
        dialog = std::make_unique<TFormSnapshot>(mode, path, &record);
        dialog->UseLink(&module);
        dialog->show();
        return *dialog;
    }
    QString Click(const char* button) {
        dialog->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        return dialog->StatusText();
    }
};

}  // namespace

class SnapshotDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void SaveCompareRestore() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("modul.rq36cfg"));
        Fixture f;
        f.module.memory[0][rq36::kCfgSpeed] = 6;  // the file's speed, not the connection's
        f.Open(SnapshotMode::Save, path);
        QCOMPARE(f.Click("Button1"), QStringLiteral(" Konfigurace uložena do souboru."));
        QVERIFY(QFile::exists(path));

        f.module.memory[0][rq36::RangeAddress(3)] = 13;
        f.Open(SnapshotMode::Compare, path);
        QCOMPARE(f.Click("Button1"), QStringLiteral(" Počet rozdílů: 1"));
        QCOMPARE(f.dialog->MemoText(), QStringLiteral("Soubor → modul:\nAIN3 rozsah: +/- 10V DC → 20mA AC"));
        const QString folder = QStringLiteral(RQ36_UI_SHOTS_DIR);
        QDir().mkpath(folder);
        QVERIFY(f.dialog->grab().save(folder + QStringLiteral("/snapshot_compare_dialog.png")));

        // Two files: the second is the first.
        f.dialog->chooseSecondFile = [&] { return path; };
        QCOMPARE(f.Click("Button3"), QStringLiteral(" Konfigurace se shoduje."));

        f.Open(SnapshotMode::Restore, path);
        QVERIFY(!f.record.ModuleHeld);
        QCOMPARE(f.Click("Button1"), QStringLiteral(" Konfigurace zapsána."));
        QCOMPARE(f.module.memory[0][rq36::RangeAddress(3)], 0);
        // The record knows what the module holds now (a restart after it
        // offers to reconnect where that differs from the connection).
        QVERIFY(f.record.ModuleHeld);
        QCOMPARE(f.record.ModuleHeld->address, 1);
        QCOMPARE(f.record.ModuleHeld->speedCode, 6);

        // A damaged file: nothing sent, the reason in the memo.
        QFile damaged(dir.filePath(QStringLiteral("damaged.rq36cfg")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("RQ36CFG 7\n");
        damaged.close();
        f.module.sent.clear();
        f.Open(SnapshotMode::Restore, damaged.fileName());
        QCOMPARE(f.Click("Button1"), QStringLiteral(" Soubor konfigurace nelze použít."));
        QVERIFY(f.dialog->MemoText().contains(QStringLiteral("neznámá verze souboru „7“")));
        QVERIFY(f.module.sent.empty());
    }

    void CloneAsksForEachFurtherModule() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("vzor.rq36cfg"));
        Fixture f;
        f.Open(SnapshotMode::Save, path);
        f.Click("Button1");
        f.Open(SnapshotMode::Clone, path);
        f.dialog->findChild<QSpinBox*>(QStringLiteral("SpinEdit1"))->setValue(2);
        f.dialog->findChild<QSpinBox*>(QStringLiteral("SpinEdit2"))->setValue(20);
        f.dialog->findChild<QSpinBox*>(QStringLiteral("SpinEdit3"))->setValue(5);
        std::vector<int> asked;
        f.dialog->askForNextModule = [&](int k, const rq36::CloneTarget& t) {
            asked.push_back(t.newAddress);
            f.module.memory[0][rq36::kCfgModuleAddress] = 1;  // the next module, as delivered
            return k < 5;
        };
        QCOMPARE(f.Click("Button1"), QStringLiteral(" Konfigurace zapsána do 2 modulů."));
        QVERIFY(f.dialog->MemoText().endsWith(QStringLiteral("platí až po „Restart modulu“.")));
        QCOMPARE(asked, std::vector<int>{25});
        QCOMPARE(f.module.memory[0][rq36::kCfgModuleAddress], 25);
        QVERIFY(f.dialog->MemoText().contains(QStringLiteral("Modul 2: adresa 1 → 25, zapsáno 1 bajtů.")));
        QVERIFY(
            f.dialog->grab().save(QStringLiteral(RQ36_UI_SHOTS_DIR) + QStringLiteral("/snapshot_clone_dialog.png")));
    }
};

QTEST_MAIN(SnapshotDialogsTest)
#include "snapshot_dialogs_test.moc"
