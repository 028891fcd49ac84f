#include "interface/traffic_monitor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "interface/module_request.h"
#include "interface/plain_text_delegate.h"
#include "module/command_set.h"
#include "named_widget.h"

namespace {

// Figures are worked out once a second (every fourth refresh).
constexpr int kFigureTicks = 4;

QString Ms(std::int32_t us) { return QString::number(static_cast<double>(us) / 1000.0, 'f', 3); }

}  // namespace

TFormKomunikace::TFormKomunikace(const rq36::TrafficRing& ring, QWidget* parent)
    : QWidget(parent, Qt::Window), ring_(ring),
      model_(new rq36::TrafficModel(
          ring, [](std::uint8_t kind, std::uint8_t status) { return rq36::StatusMessage(kind, status); }, this)) {
    setObjectName(QStringLiteral("FormKomunikace"));
    setWindowTitle(QStringLiteral("Komunikace"));
    // The main window decides when the program quits.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* filters = new QHBoxLayout;
    CheckChyby = rq36::Named(new QCheckBox(QStringLiteral("Jen chyby"), this), "CheckChyby");
    SpinAdresa = rq36::Named(new QSpinBox(this), "SpinAdresa");
    SpinAdresa->setRange(-1, 255);
    SpinAdresa->setSpecialValueText(QStringLiteral("všechny"));
    SpinAdresa->setValue(-1);
    ComboPrikaz = rq36::Named(new QComboBox(this), "ComboPrikaz");
    ComboPrikaz->addItem(QStringLiteral("všechny"), -1);
    // Every command the command set names.
    const QString unknown = rq36::CommandName(0xFF);
    for (int command = 0; command < 256; ++command) {
        const QString name = rq36::CommandName(static_cast<std::uint8_t>(command));
        if (name != unknown) ComboPrikaz->addItem(QString::asprintf("%02X ", command) + name, command);
    }
    filters->addWidget(CheckChyby);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(QStringLiteral("Adresa"), this));
    filters->addWidget(SpinAdresa);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(QStringLiteral("Příkaz"), this));
    filters->addWidget(ComboPrikaz);
    filters->addStretch(1);
    ButtonPauza = rq36::Named(new QPushButton(QStringLiteral("Pozastavit"), this), "ButtonPauza");
    ButtonSmazat = rq36::Named(new QPushButton(QStringLiteral("Smazat"), this), "ButtonSmazat");
    ButtonUlozit = rq36::Named(new QPushButton(QStringLiteral("Uložit…"), this), "ButtonUlozit");
    filters->addWidget(ButtonPauza);
    filters->addWidget(ButtonSmazat);
    filters->addWidget(ButtonUlozit);

    Table1 = rq36::Named(new QTableView(this), "Table1");
    Table1->setModel(model_);
    Table1->setItemDelegate(new rq36::PlainTextDelegate(Table1));
    // Rows told apart by their shade rather than a grid: the raster engine
    // draws a grid line by line and cell by cell, a shade is one fill.
    Table1->setShowGrid(false);
    Table1->setAlternatingRowColors(true);
    Table1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table1->setWordWrap(false);
    Table1->verticalHeader()->hide();
    // Rows of one height: the view need not measure 100,000 of them.
    Table1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table1->verticalHeader()->setDefaultSectionSize(Table1->fontMetrics().height() + 4);
    Table1->horizontalHeader()->setStretchLastSection(true);
    const int digit = Table1->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const int widths[rq36::kExchangeColumns] = {24, 10, 9, 7, 24, 25, 30, 15};
    for (int c = 0; c < rq36::kExchangeColumns; ++c) Table1->setColumnWidth(c, widths[c] * digit);

    Figures1 = rq36::Named(new QTableWidget(0, 7, this), "Figures1");
    Figures1->setHorizontalHeaderLabels({QStringLiteral("Adresa"), QStringLiteral("Výměn"), QStringLiteral("Chyb"),
                                         QStringLiteral("Timeoutů"), QStringLiteral("Medián [ms]"),
                                         QStringLiteral("99 % [ms]"), QStringLiteral("Chyby podle stavu")});
    Figures1->verticalHeader()->hide();
    Figures1->verticalHeader()->setDefaultSectionSize(Table1->verticalHeader()->defaultSectionSize());
    Figures1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Figures1->horizontalHeader()->setStretchLastSection(true);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(Table1);
    splitter->addWidget(Figures1);
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);

    status_ = rq36::Named(new QLabel(this), "StatusBar1Panel0");
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(splitter, 1);
    layout->addWidget(status_);
    resize(1000, 560);

    Timer1 = rq36::Named(new QTimer(this), "Timer1");
    Timer1->setInterval(kRefreshMs);
    connect(Timer1, &QTimer::timeout, this, &TFormKomunikace::Timer1Timer);
    connect(ButtonPauza, &QPushButton::clicked, this, &TFormKomunikace::PauzaClick);
    connect(ButtonSmazat, &QPushButton::clicked, this, &TFormKomunikace::SmazatClick);
    connect(ButtonUlozit, &QPushButton::clicked, this, &TFormKomunikace::UlozitClick);
    connect(CheckChyby, &QCheckBox::toggled, this, &TFormKomunikace::FilterChanged);
    connect(SpinAdresa, &QSpinBox::valueChanged, this, &TFormKomunikace::FilterChanged);
    connect(ComboPrikaz, &QComboBox::currentIndexChanged, this, &TFormKomunikace::FilterChanged);
}

TFormKomunikace::~TFormKomunikace() = default;

QString TFormKomunikace::StatusText() const { return status_->text(); }

void TFormKomunikace::SetStatus(const QString& text) { status_->setText(text); }

void TFormKomunikace::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Timer1Timer();
    Timer1->start();
}

void TFormKomunikace::hideEvent(QHideEvent* event) {
    // Closed, it costs nothing beyond the ring.
    Timer1->stop();
    QWidget::hideEvent(event);
}

void TFormKomunikace::Timer1Timer() {
    if (paused_) return;
    // The view follows the newest row only while it shows the end.
    QScrollBar* bar = Table1->verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    if (model_->Refresh() > 0 && atEnd) Table1->scrollToBottom();
    if (ticks_++ % kFigureTicks == 0) RefreshFigures();
}

void TFormKomunikace::RefreshFigures() {
    const std::vector<rq36::AddressFigures> figures = rq36::FiguresOf(ring_, model_->Sequences(), model_->Texts());
    Figures1->setRowCount(static_cast<int>(figures.size()));
    for (int row = 0; row < static_cast<int>(figures.size()); ++row) {
        const rq36::AddressFigures& f = figures[static_cast<std::size_t>(row)];
        QStringList byStatus;
        for (const auto& [status, count] : f.failuresByStatus)
            byStatus.push_back(
                QStringLiteral("%1× %2 %3").arg(count).arg(status).arg(model_->Texts().Text(f.kind, status)));
        const QStringList cells = {QString::number(f.address),
                                   QString::number(f.exchanges),
                                   QString::number(f.failures),
                                   QString::number(f.timeouts),
                                   Ms(f.medianUs),
                                   Ms(f.p99Us),
                                   byStatus.join(QStringLiteral("; "))};
        for (int c = 0; c < cells.size(); ++c) {
            QTableWidgetItem* item = Figures1->item(row, c);
            if (item == nullptr) Figures1->setItem(row, c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
    }
}

void TFormKomunikace::PauzaClick() {
    paused_ = !paused_;
    ButtonPauza->setText(paused_ ? QStringLiteral("Pokračovat") : QStringLiteral("Pozastavit"));
    SetStatus(paused_ ? QStringLiteral(" Zobrazení pozastaveno, komunikace se dál zaznamenává.") : QString());
    if (!paused_) Timer1Timer();
}

void TFormKomunikace::SmazatClick() {
    model_->Clear();
    RefreshFigures();
}

void TFormKomunikace::FilterChanged() {
    rq36::TrafficFilter filter;
    filter.failuresOnly = CheckChyby->isChecked();
    if (SpinAdresa->value() >= 0) filter.address = static_cast<std::uint8_t>(SpinAdresa->value());
    const int command = ComboPrikaz->currentData().toInt();
    if (command >= 0) filter.command = static_cast<std::uint8_t>(command);
    model_->SetFilter(filter);
    Table1->scrollToBottom();
    RefreshFigures();
}

bool TFormKomunikace::SaveCsv(const QString& path) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && rq36::WriteTrafficCsv(file, ring_, model_->Sequences(), model_->Texts()) &&
        file.commit()) {
        SetStatus(QStringLiteral(" Komunikace uložena do ") +
                  QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
        return true;
    }
    SetStatus(QStringLiteral(" Soubor nelze uložit: ") + file.errorString());
    return false;
}

void TFormKomunikace::UlozitClick() {
    const QString path = savePath_
                             ? savePath_()
                             : QFileDialog::getSaveFileName(this, QStringLiteral("Uložit komunikaci"),
                                                            QDir::home().filePath(QStringLiteral("komunikace.csv")),
                                                            QStringLiteral("Soubory CSV (*.csv);;Všechny soubory (*)"));
    if (!path.isEmpty()) SaveCsv(path);
}
