#include "module/snapshot_dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "calibration/calibration_backup.h"
#include "interface/reconnect_offer.h"
#include "module/config_transfer.h"
#include "module/snapshot_file.h"

using rq36::Named;
using rq36::SnapshotMode;

namespace {

QString Title(SnapshotMode mode) {
    switch (mode) {
    case SnapshotMode::Save: return QStringLiteral("Uložit konfiguraci do souboru");
    case SnapshotMode::Compare: return QStringLiteral("Porovnat s modulem");
    case SnapshotMode::Restore: return QStringLiteral("Obnovit konfiguraci ze souboru");
    case SnapshotMode::Clone: return QStringLiteral("Klonovat na další moduly");
    }
    return {};
}

QString ActionText(SnapshotMode mode) {
    switch (mode) {
    case SnapshotMode::Save: return QStringLiteral("Uložit");
    case SnapshotMode::Compare: return QStringLiteral("Porovnat s modulem");
    case SnapshotMode::Restore: return QStringLiteral("Obnovit");
    case SnapshotMode::Clone: return QStringLiteral("Klonovat");
    }
    return {};
}

// Every module of a clone in the dialog answers at the connected address:
// they are connected one after another.
class ForwardingLink : public rq36::ModuleLink {
public:
    explicit ForwardingLink(rq36::ModuleLink& link) : link_(link) {}
    rq36::ModuleReply Send(const rq36::ModuleCommand& c) override { return link_.Send(c); }
    QString StatusText(std::uint8_t status) override { return link_.StatusText(status); }

private:
    rq36::ModuleLink& link_;
};

}  // namespace

class TFormSnapshot::Sink : public rq36::SnapshotSink {
public:
    explicit Sink(TFormSnapshot& form) : form_(form) {}
    void ShowStatus(const QString& text) override { form_.SetStatus(text); }
    void Note(const QString& line) override { form_.Memo1->appendPlainText(line); }
    void ProcessEvents() override { form_.ProcessEvents(); }
    void Pause(int milliseconds) override { form_.Pause(milliseconds); }
    bool StopRequested() override { return form_.StopRequested(); }

private:
    TFormSnapshot& form_;
};

TFormSnapshot::TFormSnapshot(SnapshotMode mode, const QString& path, rq36::ConnectionSettings* settings,
                             QWidget* parent)
    : ModuleDialog(settings, parent), mode_(mode), path_(path) {
    setObjectName(QStringLiteral("FormSnapshot"));
    setWindowTitle(u' ' + Title(mode));

    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(12, 12, 12, 4);
    Label1 = Named(new QLabel(QStringLiteral("Soubor:  ") + QDir::toNativeSeparators(path), Body()), "Label1");
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Label1);
    if (mode == SnapshotMode::Restore) {
        CheckBox1 = Named(new QCheckBox(QStringLiteral("Obnovit i kalibrační konstanty (jen do téhož modulu)"), Body()),
                          "CheckBox1");
        layout->addWidget(CheckBox1);
    }
    if (mode == SnapshotMode::Clone) {
        auto* form = new QFormLayout;
        const auto spin = [this](int min, int max, int value, const char* name) {
            auto* s = Named(new QSpinBox(Body()), name);
            s->setRange(min, max);
            s->setValue(value);
            return s;
        };
        SpinEdit1 = spin(1, 255, 3, "SpinEdit1");
        SpinEdit2 = spin(1, 255, 10, "SpinEdit2");
        SpinEdit3 = spin(1, 254, 1, "SpinEdit3");
        form->addRow(QStringLiteral("Počet modulů"), SpinEdit1);
        form->addRow(QStringLiteral("První nová adresa"), SpinEdit2);
        form->addRow(QStringLiteral("Krok adresy"), SpinEdit3);
        layout->addLayout(form);
        auto* note = new QLabel(QStringLiteral("Moduly se připojují jeden po druhém na adresu připojeného modulu.\n"
                                               "Kalibrační konstanty se neklonují. Adresa, rychlost, parita a "
                                               "protokol\nse zapisují poslední a platí až po „Restart modulu“."),
                                Body());
        layout->addWidget(note);
    }
    Memo1 = Named(new QPlainTextEdit(Body()), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFixedSize(520, 220);
    layout->addWidget(Memo1);

    Button1 = Named(new QPushButton(ActionText(mode), this), "Button1");
    Button1->setAutoDefault(false);
    ButtonRow()->addWidget(Button1);
    connect(Button1, &QPushButton::clicked, this, &TFormSnapshot::Button1Click);
    if (mode == SnapshotMode::Compare) {
        Button3 = Named(new QPushButton(QStringLiteral("Porovnat se souborem…"), this), "Button3");
        Button3->setAutoDefault(false);
        ButtonRow()->addWidget(Button3);
        connect(Button3, &QPushButton::clicked, this, &TFormSnapshot::Button3Click);
    }
    Button2 = Named(new QPushButton(QStringLiteral("Zavřít"), this), "Button2");
    Button2->setAutoDefault(false);
    ButtonRow()->addWidget(Button2);
    connect(Button2, &QPushButton::clicked, this, &TFormSnapshot::Button2Click);
}

QString TFormSnapshot::MemoText() const { return Memo1->toPlainText(); }

std::optional<rq36::Snapshot> TFormSnapshot::ReadFile() {
    const rq36::SnapshotReadResult file = rq36::ReadSnapshotFile(path_);
    if (!file.snapshot) {
        SetStatus(QStringLiteral(" Soubor konfigurace nelze použít."));
        Memo1->setPlainText(file.error);
    }
    return file.snapshot;
}

void TFormSnapshot::ShowDifferences(const std::vector<rq36::SnapshotDifference>& differences, const QString& header) {
    Memo1->clear();
    Memo1->appendPlainText(header);
    for (const rq36::SnapshotDifference& d : differences) Memo1->appendPlainText(d.text);
    SetStatus(differences.empty() ? QStringLiteral(" Konfigurace se shoduje.")
                                  : QStringLiteral(" Počet rozdílů: %1").arg(differences.size()));
}

void TFormSnapshot::Button1Click() {
    if (Settings() == nullptr || Busy()) return;
    if (mode_ == SnapshotMode::Save) {
        TalkToModule([this] { SaveFromModule(); });
        return;
    }
    // The file first: a file that cannot be used sends nothing.
    const std::optional<rq36::Snapshot> snapshot = ReadFile();
    if (snapshot) TalkToModule([this, &snapshot] { WorkWithModule(*snapshot); });
}

void TFormSnapshot::SaveFromModule() {
    Sink sink(*this);
    const rq36::SnapshotRead read = rq36::ReadModuleSnapshot(Link(), sink);
    if (!read.snapshot) return;
    QString error;
    if (!rq36::WriteSnapshotFile(path_, *read.snapshot, &error)) {
        SetStatus(QStringLiteral(" Soubor se nepodařilo zapsat."));
        Memo1->setPlainText(error);
        return;
    }
    Memo1->setPlainText(QStringLiteral("Modul %1, uloženo %2.")
                            .arg(read.snapshot->identity,
                                 read.snapshot->taken.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))));
    SetStatus(QStringLiteral(" Konfigurace uložena do souboru."));
}

void TFormSnapshot::WorkWithModule(const rq36::Snapshot& snapshot) {
    Sink sink(*this);
    Memo1->clear();
    switch (mode_) {
    case SnapshotMode::Compare: {
        const rq36::ModuleComparison c = rq36::CompareWithModule(Link(), snapshot, sink);
        if (c.differences) ShowDifferences(*c.differences, QStringLiteral("Soubor → modul:"));
        break;
    }
    case SnapshotMode::Restore: {
        rq36::RestoreOptions options;
        options.withCalibration = CheckBox1->isChecked();
        // Written and checked: the record knows what the module now holds,
        // so that a restart into other communication settings offers to
        // reconnect.
        if (rq36::RestoreSnapshot(Link(), snapshot, options, sink).result == rq36::SnapshotResult::Done)
            rq36::NoteModuleHeld(*Settings(), snapshot);
        break;
    }
    case SnapshotMode::Clone: {
        const auto targets =
            rq36::CloneTargets(Settings()->ModuleAddress, SpinEdit2->value(), SpinEdit3->value(), SpinEdit1->value());
        if (!targets) {
            SetStatus(QStringLiteral(" Nové adresy musí ležet v rozsahu 1 až 255."));
            return;
        }
        const auto ask = [this](int k, const rq36::CloneTarget& t) {
            if (k == 0) return true;
            if (askForNextModule) return askForNextModule(k, t);
            return QMessageBox::question(this, Title(SnapshotMode::Clone),
                                         QStringLiteral("Připojte modul č. %1 (adresa %2, dostane adresu %3) "
                                                        "a stiskněte Ano.")
                                             .arg(k + 1)
                                             .arg(t.currentAddress)
                                             .arg(t.newAddress)) == QMessageBox::Yes;
        };
        rq36::CloneSnapshot([this](std::uint8_t) { return std::make_unique<ForwardingLink>(Link()); }, snapshot,
                            *targets, sink, ask);
        break;
    }
    case SnapshotMode::Save: break;
    }
}

void TFormSnapshot::Button3Click() {
    if (Busy()) return;
    const QString second = chooseSecondFile
                               ? chooseSecondFile()
                               : QFileDialog::getOpenFileName(this, Title(SnapshotMode::Compare),
                                                              QFileInfo(path_).path(), rq36::SnapshotFileFilter());
    if (second.isEmpty()) return;
    const std::optional<rq36::Snapshot> first = ReadFile();
    if (!first) return;
    const rq36::SnapshotReadResult other = rq36::ReadSnapshotFile(second);
    if (!other.snapshot) {
        SetStatus(QStringLiteral(" Soubor konfigurace nelze použít."));
        Memo1->setPlainText(other.error);
        return;
    }
    ShowDifferences(rq36::CompareSnapshots(*first, *other.snapshot),
                    QStringLiteral("%1 → %2:").arg(QFileInfo(path_).fileName(), QFileInfo(second).fileName()));
}

void TFormSnapshot::Button2Click() { reject(); }

namespace rq36 {

void OpenSnapshotDialog(SnapshotMode mode, ConnectionSettings* settings, QWidget* parent) {
    if (!settings) return;
    const QString filter = SnapshotFileFilter();
    QString path;
    if (mode == SnapshotMode::Save) {
        QFileDialog dialog(parent, Title(mode), QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QString::fromLatin1(kSnapshotSuffix));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        path = dialog.selectedFiles().first();
    } else {
        path = QFileDialog::getOpenFileName(parent, Title(mode), QString(), filter);
        if (path.isEmpty()) return;
    }
    TFormSnapshot dialog(mode, path, settings, parent);
    dialog.exec();
}

void RestoreCalibrationBackupItem(ConnectionSettings* settings, QWidget* parent) {
    if (!settings) return;
    const QString title = QStringLiteral("Obnovit kalibraci ze zálohy");
    if (!IsConnected(settings)) {
        QMessageBox::warning(parent, title, NotConnectedText().mid(1));
        return;
    }
    const QString path =
        QFileDialog::getOpenFileName(parent, title, CalibrationBackupFolder(), CalibrationBackupFilter());
    if (path.isEmpty()) return;
    QString error;
    const std::optional<CalibrationBackupFile> file = ReadCalibrationBackup(path, &error);
    if (!file || file->records.empty()) {
        QMessageBox::warning(
            parent, title, QStringLiteral("Zálohu nelze použít: %1.").arg(file ? QStringLiteral("je prázdná") : error));
        return;
    }
    if (file->identity != settings->ModuleIdentity) {
        QMessageBox::warning(parent, title,
                             QStringLiteral("Záloha je z modulu „%1“, připojen je modul „%2“. Nic nebylo zapsáno.")
                                 .arg(file->identity, settings->ModuleIdentity));
        return;
    }
    QStringList items;
    for (auto it = file->records.rbegin(); it != file->records.rend(); ++it) items << it->Description();
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(parent, title, QStringLiteral("Záznam (nejnovější nahoře):"), items, 0, false, &ok);
    if (!ok) return;
    const auto index = static_cast<std::size_t>(items.indexOf(chosen));
    const KeptCalibration& kept = file->records[file->records.size() - 1 - index];
    BoundModuleLink link(*settings);
    const QString failed = RestoreKeptCalibration(link, kept);
    if (failed.isEmpty()) {
        QMessageBox::information(parent, title, QStringLiteral("Kalibrační konstanty obnoveny: ") + kept.Description());
    } else {
        QMessageBox::warning(parent, title, failed.mid(1));
    }
}

}  // namespace rq36
