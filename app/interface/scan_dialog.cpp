#include "interface/scan_dialog.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "interface/connection_logic.h"
#include "interface/interface_kinds.h"
#include "named_widget.h"
#include "settings_file.h"

using rq36::Named;

namespace {

constexpr int kLastSpeedCode = 8;

enum Column { kColAddress, kColSpeed, kColParity, kColIdentity, kColTries, kColumns };

QString Blank(const QString& text) { return QStringLiteral(" ") + text; }

}  // namespace

TFormVyhledani::TFormVyhledani(rq36::ConnectionSettings* settings, QWidget* parent)
    : QDialog(parent), settings_(settings), ticker_(new QTimer(this)) {
    setObjectName(QStringLiteral("FormVyhledani"));
    setWindowTitle(QStringLiteral(" Vyhledání modulů"));
    const rq36::InterfaceKindInfo* info = settings_ ? rq36::KindInfo(settings_->InterfaceKind) : nullptr;
    modbus_ = info != nullptr && info->modbus;

    auto* layout = new QVBoxLayout(this);
    const QStringList kinds = rq36::InterfaceListTexts();
    const QString kindText =
        settings_ && settings_->InterfaceKind < kinds.size() ? kinds[settings_->InterfaceKind] : QString();
    layout->addWidget(Named(new QLabel(QStringLiteral("Komunikační rozhraní:  ") + kindText, this), "LabelRozhrani"));

    auto* range = new QHBoxLayout;
    range->addWidget(new QLabel(QStringLiteral("Adresy od"), this));
    SpinOd = Named(new QSpinBox(this), "SpinOd");
    SpinOd->setRange(0, 255);
    SpinOd->setValue(0);
    range->addWidget(SpinOd);
    range->addWidget(new QLabel(QStringLiteral("do"), this));
    SpinDo = Named(new QSpinBox(this), "SpinDo");
    SpinDo->setRange(0, 255);
    SpinDo->setValue(255);
    range->addWidget(SpinDo);
    range->addSpacing(16);
    range->addWidget(new QLabel(QStringLiteral("Prodloužení timeoutu"), this));
    SpinTimeout = Named(new QSpinBox(this), "SpinTimeout");
    SpinTimeout->setRange(0, rq36::kScanMaxExtraTimeoutMs);
    SpinTimeout->setSuffix(QStringLiteral(" ms"));
    SpinTimeout->setToolTip(QStringLiteral("Přidá se k timeoutu každého pokusu (pomalý převodník)"));
    range->addWidget(SpinTimeout);
    range->addStretch();
    layout->addLayout(range);

    auto* speeds = Named(new QGroupBox(QStringLiteral("Rychlosti"), this), "GroupRychlosti");
    auto* speedGrid = new QGridLayout(speeds);
    const QStringList speedTexts = rq36::SpeedListTexts();
    for (int code = rq36::kFirstModuleSpeedCode; code <= kLastSpeedCode; ++code) {
        auto* box = new QCheckBox(speedTexts[code], speeds);
        box->setObjectName(QStringLiteral("CheckRychlost%1").arg(rq36::SpeedFromIndex(code)));
        box->setChecked(true);
        const int n = code - rq36::kFirstModuleSpeedCode;
        speedGrid->addWidget(box, n / 4, n % 4);
        speedBoxes_.push_back(box);
    }
    layout->addWidget(speeds);

    auto* parities = Named(new QGroupBox(QStringLiteral("Parita (Modbus RTU)"), this), "GroupParita");
    auto* parityRow = new QHBoxLayout(parities);
    const QStringList parityTexts = rq36::ParityListTexts();
    for (int p = 0; p < parityTexts.size(); ++p) {
        auto* box = new QCheckBox(parityTexts[p], parities);
        box->setObjectName(QStringLiteral("CheckParita%1").arg(p));
        box->setChecked(true);
        parityRow->addWidget(box);
        parityBoxes_.push_back(box);
    }
    parityRow->addStretch();
    parities->setVisible(modbus_);
    layout->addWidget(parities);

    auto* run = new QHBoxLayout;
    CheckPrvni = Named(new QCheckBox(QStringLiteral("Skončit u prvního nalezeného modulu"), this), "CheckPrvni");
    run->addWidget(CheckPrvni);
    run->addStretch();
    ButtonHledat = Named(new QPushButton(QStringLiteral("Hledat"), this), "ButtonHledat");
    ButtonZastavit = Named(new QPushButton(QStringLiteral("Zastavit"), this), "ButtonZastavit");
    run->addWidget(ButtonHledat);
    run->addWidget(ButtonZastavit);
    layout->addLayout(run);

    auto* progress = new QHBoxLayout;
    ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    ProgressBar1->setFormat(QStringLiteral("%v / %m pokusů"));
    progress->addWidget(ProgressBar1, 1);
    LabelZbyva = Named(new QLabel(this), "LabelZbyva");
    LabelZbyva->setMinimumWidth(LabelZbyva->fontMetrics().horizontalAdvance(QStringLiteral("zbývá asi 00 min 00 s")));
    progress->addWidget(LabelZbyva);
    layout->addLayout(progress);

    Table1 = Named(new QTableWidget(0, kColumns, this), "Table1");
    Table1->setHorizontalHeaderLabels({QStringLiteral("Adresa"), QStringLiteral("Rychlost"), QStringLiteral("Parita"),
                                       QStringLiteral("Modul"), QStringLiteral("Pokusů")});
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->setSelectionMode(QAbstractItemView::SingleSelection);
    Table1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table1->verticalHeader()->hide();
    Table1->horizontalHeader()->setSectionResizeMode(kColIdentity, QHeaderView::Stretch);
    Table1->setColumnHidden(kColParity, !modbus_);
    layout->addWidget(Table1, 1);

    auto* buttons = new QHBoxLayout;
    ButtonPripojit = Named(new QPushButton(QStringLiteral("Připojit"), this), "ButtonPripojit");
    ButtonUlozit = Named(new QPushButton(QStringLiteral("Uložit CSV…"), this), "ButtonUlozit");
    ButtonZavrit = Named(new QPushButton(QStringLiteral("Zavřít"), this), "ButtonZavrit");
    buttons->addWidget(ButtonPripojit);
    buttons->addWidget(ButtonUlozit);
    buttons->addStretch();
    buttons->addWidget(ButtonZavrit);
    layout->addLayout(buttons);

    Panel1 = Named(new QLabel(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setIndent(4);
    layout->addWidget(Panel1);

    connect(ButtonHledat, &QPushButton::clicked, this, &TFormVyhledani::HledatClick);
    connect(ButtonZastavit, &QPushButton::clicked, this, &TFormVyhledani::ZastavitClick);
    connect(ButtonPripojit, &QPushButton::clicked, this, &TFormVyhledani::PripojitClick);
    connect(ButtonUlozit, &QPushButton::clicked, this, &TFormVyhledani::UlozitClick);
    connect(ButtonZavrit, &QPushButton::clicked, this, &TFormVyhledani::reject);
    connect(Table1, &QTableWidget::itemSelectionChanged, this, &TFormVyhledani::EnableControls);
    // One step per turn of the event loop: the window repaints and takes
    // "Zastavit" between any two exchanges.
    ticker_->setInterval(0);
    connect(ticker_, &QTimer::timeout, this, &TFormVyhledani::StepScan);

    resize(560, 520);
    if (settings_) {
        const rq36::ScanPlan plan = rq36::DefaultScanPlan(*settings_);
        ProgressBar1->setRange(0, static_cast<int>(plan.addresses.size() * plan.speeds.size() *
                                                   std::max<std::size_t>(1, plan.parities.size())));
        LabelZbyva->setText(rq36::ScanTimeLeftText(rq36::ScanSweepSeconds(plan, modbus_)));
    }
    EnableControls();
}

TFormVyhledani::~TFormVyhledani() {
    // A window closed in the middle of a scan still leaves the line as it
    // found it.
    if (scan_) {
        scan_->Stop();
        while (scan_->Step()) {}
    }
}

rq36::ScanPlan TFormVyhledani::Plan() const {
    rq36::ScanPlan plan;
    if (!settings_) return plan;
    for (int a = SpinOd->value(); a <= SpinDo->value(); ++a) plan.addresses.push_back(static_cast<std::uint8_t>(a));
    for (std::int32_t speed : rq36::ModuleSpeedsFirst(settings_->Speed)) {
        const int code = rq36::IndexFromSpeed(speed);
        if (speedBoxes_[static_cast<std::size_t>(code - rq36::kFirstModuleSpeedCode)]->isChecked())
            plan.speeds.push_back(speed);
    }
    if (modbus_) {
        for (std::uint8_t parity : rq36::ParitiesFirst(settings_->Parity)) {
            if (parityBoxes_[parity]->isChecked()) plan.parities.push_back(parity);
        }
    }
    plan.stopAtFirst = CheckPrvni->isChecked();
    plan.extraTimeoutMs = SpinTimeout->value();
    return plan;
}

void TFormVyhledani::HledatClick() {
    if (!settings_ || scan_) return;
    const rq36::ScanPlan plan = Plan();
    if (plan.addresses.empty() || plan.speeds.empty() || (modbus_ && plan.parities.empty())) {
        SetStatus(Blank(QStringLiteral("Zvolte adresy, rychlosti a parity k vyhledání")));
        return;
    }
    found_.clear();
    Table1->setRowCount(0);
    line_ = std::make_unique<rq36::BoundScanLine>(*settings_);
    scan_ = std::make_unique<rq36::BusScan>(*line_, plan);
    scan_->onFound = [this](const rq36::FoundModule& m) { AddRow(m); };
    SetStatus(Blank(QString::fromUtf8(rq36::kScanRunning)));
    ShowProgress();
    EnableControls();
    ticker_->start();
}

void TFormVyhledani::ZastavitClick() {
    if (scan_) scan_->Stop();
}

void TFormVyhledani::StepScan() {
    if (!scan_) {
        ticker_->stop();
        return;
    }
    const bool more = scan_->Step();
    ShowProgress();
    if (more) return;
    ticker_->stop();
    SetStatus(Blank(rq36::ScanEndText(scan_->Outcome())));
    scan_.reset();
    line_.reset();
    LabelZbyva->clear();
    EnableControls();
}

void TFormVyhledani::ShowProgress() {
    if (!scan_) return;
    const rq36::ScanProgress p = scan_->Progress();
    ProgressBar1->setRange(0, std::max(1, p.total));
    ProgressBar1->setValue(p.done);
    LabelZbyva->setText(rq36::ScanTimeLeftText(p.secondsLeft));
}

void TFormVyhledani::AddRow(const rq36::FoundModule& m) {
    found_.push_back(m);
    const int row = Table1->rowCount();
    Table1->insertRow(row);
    const QStringList parityTexts = rq36::ParityListTexts();
    const QString parity = m.parity >= 0 && m.parity < parityTexts.size() ? parityTexts[m.parity] : QString();
    const QStringList cells = {QString::number(m.address), QStringLiteral("%1 Bd").arg(m.speed), parity, m.identity,
                               QString::number(m.tries)};
    for (int c = 0; c < kColumns; ++c) Table1->setItem(row, c, new QTableWidgetItem(cells[c]));
    if (row == 0) Table1->selectRow(0);
}

void TFormVyhledani::PripojitClick() {
    const int row = Table1->currentRow();
    if (!settings_ || scan_ || row < 0 || row >= static_cast<int>(found_.size())) return;
    const rq36::FoundModule& m = found_[static_cast<std::size_t>(row)];
    // The connection dialog's inputs for the record, with the module's
    // address, speed and parity: the connection is made as that dialog
    // makes it, with its texts.
    rq36::ConnectionInputs inputs = rq36::InputsFromSettings(*settings_);
    inputs.addressText = QString::number(m.address);
    inputs.speedIndex = rq36::IndexFromSpeed(m.speed);
    if (m.parity >= 0) inputs.parityIndex = m.parity;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    rq36::InitializeConnection(*settings_, inputs,
                               [this](const QString& text, bool repaintNow) { SetStatus(text, repaintNow); });
    QApplication::restoreOverrideCursor();
}

bool TFormVyhledani::SaveCsv(const QString& path) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        QString text = rq36::ScanCsvHeader();
        for (const rq36::FoundModule& m : found_) text += rq36::ScanCsvLine(m);
        // Every byte out and checked first: commit() would put a file cut
        // short by a full disk in place of the old one.
        if (rq36::WriteOut(file, text.toUtf8()) && file.commit()) {
            SetStatus(Blank(QStringLiteral("Seznam modulů uložen do ") + path));
            return true;
        }
    }
    SetStatus(Blank(QStringLiteral("Soubor nelze uložit: ") + file.errorString()));
    return false;
}

void TFormVyhledani::UlozitClick() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Uložit seznam modulů"), QStringLiteral("moduly.csv"),
                                     QStringLiteral("Soubory CSV (*.csv);;Všechny soubory (*)"));
    if (!path.isEmpty()) SaveCsv(path);
}

void TFormVyhledani::reject() {
    // Closing stops a scan first; the line is left as it was found.
    if (scan_) {
        scan_->Stop();
        while (scan_->Step()) {}
        StepScan();
    }
    QDialog::reject();
}

void TFormVyhledani::SetStatus(const QString& text, bool repaintNow) {
    Panel1->setText(text);
    if (repaintNow) Panel1->repaint();
}

void TFormVyhledani::EnableControls() {
    const bool idle = settings_ != nullptr && !scan_;
    for (QWidget* w : std::initializer_list<QWidget*>{SpinOd, SpinDo, SpinTimeout, CheckPrvni, ButtonHledat})
        w->setEnabled(idle);
    for (QCheckBox* box : speedBoxes_) box->setEnabled(idle);
    for (QCheckBox* box : parityBoxes_) box->setEnabled(idle);
    ButtonZastavit->setEnabled(scan_ != nullptr);
    ButtonPripojit->setEnabled(idle && Table1->currentRow() >= 0);
    ButtonUlozit->setEnabled(idle && !found_.empty());
}
