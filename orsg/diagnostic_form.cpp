#include "diagnostic_form.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShowEvent>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "library_state.h"

namespace orsg {

// One grid over a TextGrid of the sheet.  A label grid shows its first column
// as the fixed column (the vertical header); a history grid shows its first
// row as the fixed header row.
class GridModel final : public QAbstractTableModel {
public:
    GridModel(const TextGrid& grid, bool headerRow, QObject* parent)
        : QAbstractTableModel(parent), grid_(grid), headerRow_(headerRow) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : grid_.Rows() - (headerRow_ ? 1 : 0);
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : grid_.Columns() - (headerRow_ ? 0 : 1);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid()) return {};
        return QString::fromStdString(Cell(index.row(), index.column()));
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        if (role != Qt::DisplayRole) return {};
        if (headerRow_ && orientation == Qt::Horizontal) return QString::fromStdString(grid_.At(0, section));
        if (!headerRow_ && orientation == Qt::Vertical) return QString::fromStdString(grid_.At(section, 0));
        return {};
    }
    // Every cell (and the fixed row or column) may have changed.
    void CellsChanged(bool headersToo) {
        const int rows = rowCount();
        const int columns = columnCount();
        emit dataChanged(index(0, 0), index(rows - 1, columns - 1), {Qt::DisplayRole});
        if (headersToo)
            emit headerDataChanged(headerRow_ ? Qt::Horizontal : Qt::Vertical, 0, (headerRow_ ? columns : rows) - 1);
    }

private:
    const std::string& Cell(int row, int column) const {
        return headerRow_ ? grid_.At(row + 1, column) : grid_.At(row, column + 1);
    }
    const TextGrid& grid_;
    bool headerRow_;
};

namespace {

constexpr int kClientWidth = 897;
constexpr int kClientHeight = 704;
constexpr int kRowHeight = 19;
// What a window manager's frame and title bar take of the screen.
constexpr int kFrameRoom = 16;
constexpr int kTitleRoom = 48;
// The window's font: the desktop's own family, as large as lets every
// history column show its widest text (11 pixels on a usual desktop).
constexpr int kLargestFontPixels = 11;
constexpr int kSmallestFontPixels = 8;
constexpr int kGridWidth = 881;
constexpr int kFixedColumnWidth = 240;
constexpr int kFirstTick = 10;
constexpr int kTickInterval = 1000;
const std::vector<int> kHistoryWidths = {74, 70, 79, 40, 79, 67, 41, 140, 264};

// The widest texts of a history row: eight-digit index and time mark, a
// long duration, every byte DD, and the locale's date and time of a late
// December evening.
std::vector<std::string> WidestHistoryTexts() {
    CommRecord record;
    record.index = 99999999;
    record.status = 9;
    record.mark = 99999999;
    record.duration = 999999;
    record.repeats = 15;
    record.sent.fill(0xDD);  // D is the widest hexadecimal digit in most fonts
    record.received.fill(0xDD);
    TimeStamper stamper;
    constexpr int64_t kLateDecember = 1798675138LL * 1000000000LL + 888000000LL;  // 2026-12-31 23:58:58.888 UTC
    stamper.StampAt(kLateDecember, record.date, record.time);
    TextGrid grid(1, kHistoryColumns);
    FillHistoryRow(grid, 0, record, ",");
    std::vector<std::string> texts;
    for (int c = 0; c < kHistoryColumns; ++c) texts.push_back(grid.At(0, c));
    return texts;
}

struct HistoryLayout {
    QFont font;
    std::vector<int> widths;
};

HistoryLayout ChooseHistoryLayout(const QFont& base, const std::vector<std::string>& header) {
    const QStyle* style = QApplication::style();
    const int cellMargin = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 2;
    const int headerMargin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin) + 2;
    const int room = kGridWidth - 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) -
                     style->pixelMetric(QStyle::PM_ScrollBarExtent);
    const std::vector<std::string> widest = WidestHistoryTexts();
    HistoryLayout layout{base, kHistoryWidths};
    for (int pixels = kLargestFontPixels; pixels >= kSmallestFontPixels; --pixels) {
        layout.font.setPixelSize(pixels);
        const QFontMetrics metrics(layout.font);
        std::vector<int> needed;
        for (int c = 0; c < kHistoryColumns; ++c) {
            const auto i = static_cast<std::size_t>(c);
            needed.push_back(std::max(metrics.horizontalAdvance(QString::fromStdString(header[i])) + headerMargin,
                                      metrics.horizontalAdvance(QString::fromStdString(widest[i])) + cellMargin));
        }
        if (std::vector<int> widths = FitWidths(needed, kHistoryWidths, room); !widths.empty()) {
            layout.widths = std::move(widths);
            return layout;
        }
    }
    return layout;  // the smallest font with the usual widths
}

QTableView* MakeGrid(QWidget* parent, int x, int y, int w, int h) {
    auto* grid = new QTableView(parent);
    grid->setGeometry(x, y, w, h);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setWordWrap(false);
    grid->setCornerButtonEnabled(false);
    for (QHeaderView* header : {grid->horizontalHeader(), grid->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setSectionsClickable(false);
        header->setHighlightSections(false);
        header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
    grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    return grid;
}

// A grid of labels and values: the labels form the fixed column.
QTableView* MakeLabelGrid(QWidget* parent, int y, int h, int valueWidth, GridModel* model, Qt::ScrollBarPolicy vertical,
                          Qt::ScrollBarPolicy horizontal) {
    QTableView* grid = MakeGrid(parent, 8, y, 881, h);
    grid->setModel(model);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->setFixedWidth(kFixedColumnWidth);
    grid->setColumnWidth(0, valueWidth);
    grid->setVerticalScrollBarPolicy(vertical);
    grid->setHorizontalScrollBarPolicy(horizontal);
    return grid;
}

// A history grid: the header row is fixed, no fixed column.
QTableView* MakeHistoryGrid(QWidget* parent, int y, GridModel* model, const std::vector<int>& widths) {
    QTableView* grid = MakeGrid(parent, 8, y, 881, 121);
    grid->setModel(model);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setFixedHeight(kRowHeight);
    for (int c = 0; c < kHistoryColumns; ++c) grid->setColumnWidth(c, widths[static_cast<std::size_t>(c)]);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return grid;
}

QLabel* MakeLabel(QWidget* parent, int x, int y, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton* MakeButton(QWidget* parent, int x, int w, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setGeometry(x, 664, w, 25);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TForm1::TForm1(LibraryState& state) : QWidget(nullptr), state_(&state) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    // The host's windows decide when the host quits, never this one.
    setAttribute(Qt::WA_QuitOnClose, false);
    // The controls keep their places on a page of the design size; the
    // window shows the page whole where the screen has room for it and
    // scrolls it where not (a small screen, 1.5x or 2x scaling).
    auto* page = new QWidget(this);
    page->setFixedSize(kClientWidth, kClientHeight);
    ScrollBox = new QScrollArea(this);
    ScrollBox->setFrameShape(QFrame::NoFrame);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->addWidget(ScrollBox);
    setMaximumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    decimalPoint_ = QLocale().decimalPoint().toStdString();
    // The history header, for measuring (the grids show it once the window
    // is shown).
    DiagnosticSheet labelled;
    FillOnShow(labelled, state, decimalPoint_);
    std::vector<std::string> header;
    for (int c = 0; c < kHistoryColumns; ++c) header.push_back(labelled.recent.At(0, c));
    const HistoryLayout layout = ChooseHistoryLayout(QApplication::font(), header);
    setFont(layout.font);

    const TextGrid* grids[5] = {&sheet_.identification, &sheet_.configuration, &sheet_.overview, &sheet_.recent,
                                &sheet_.errors};
    for (int i = 0; i < 5; ++i) models_[i] = new GridModel(*grids[i], i >= 3, this);

    Label39 = MakeLabel(page, 8, 8, "Identifikace");
    StringGrid1 = MakeLabelGrid(page, 24, 121, 621, models_[0], Qt::ScrollBarAsNeeded, Qt::ScrollBarAsNeeded);
    Label1 = MakeLabel(page, 8, 152, "Konfigurace");
    StringGrid2 = MakeLabelGrid(page, 168, 61, 638, models_[1], Qt::ScrollBarAsNeeded, Qt::ScrollBarAlwaysOff);
    Label2 = MakeLabel(page, 8, 240, "Přehled");
    StringGrid3 = MakeLabelGrid(page, 256, 81, 638, models_[2], Qt::ScrollBarAlwaysOff, Qt::ScrollBarAlwaysOff);
    Label3 = MakeLabel(page, 8, 352, "Poslední komunikace");
    StringGrid4 = MakeHistoryGrid(page, 368, models_[3], layout.widths);
    Label4 = MakeLabel(page, 8, 504, "Chybové komunikace");
    StringGrid5 = MakeHistoryGrid(page, 520, models_[4], layout.widths);

    Button1 = MakeButton(page, 8, 97, "Smazat Přehled");
    Button2 = MakeButton(page, 120, 161, "Smazat Poslední komunikace");
    Button3 = MakeButton(page, 296, 161, "Smazat Chybové komunikace");
    Button4 = MakeButton(page, 768, 121, "Uložit LOG");
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    ScrollBox->setWidget(page);

    // The timer runs whether the window is shown or not, so the rates stay
    // current.
    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start(kFirstTick);
}

TForm1::~TForm1() {
    // The grids outlive the sheet (QWidget takes its children last): they
    // must not read it any more.
    for (QTableView* grid : {StringGrid1, StringGrid2, StringGrid3, StringGrid4, StringGrid5}) grid->setModel(nullptr);
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Restoring from the task bar is no new showing.
    if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
    if (state_ == nullptr) return;
    setWindowTitle(QString::fromStdString(WindowCaption(state_->channel)));
    FillOnShow(sheet_, *state_, decimalPoint_);
    FillChanging(sheet_, *state_, decimalPoint_);
    RefreshGrids(true);
    for (QTableView* grid : {StringGrid1, StringGrid2, StringGrid3, StringGrid4, StringGrid5}) grid->scrollToTop();
}

void TForm1::VypisOkna() {
    if (state_ == nullptr) return;
    FillChanging(sheet_, *state_, decimalPoint_);
    RefreshGrids(false);
}

void TForm1::RefreshGrids(bool headersToo) {
    for (int i = headersToo ? 0 : 1; i < 5; ++i) models_[i]->CellsChanged(headersToo);
}

void TForm1::Timer1Timer() {
    Timer1->setInterval(kTickInterval);
    if (state_ == nullptr) return;
    TickSecond(state_->stats);
    VypisOkna();
}

void TForm1::Button1Click() {
    if (state_ == nullptr) return;
    ClearStatistics(state_->stats);
    VypisOkna();
}

void TForm1::Button2Click() {
    if (state_ != nullptr) state_->recent.Clear();
}

void TForm1::Button3Click() {
    if (state_ != nullptr) state_->errors.Clear();
}

void TForm1::Button4Click() {
    if (state_ == nullptr) return;
    const QDateTime now = QDateTime::currentDateTime();
    const LogMoment moment{now.date().year(), now.date().month(),  now.date().day(),
                           now.time().hour(), now.time().minute(), now.time().second()};
    const QString name = QString::fromStdString(LogFileName(state_->bus, state_->slot, state_->channel, moment));
    // The current folder by its full name where it has one (a folder that was
    // removed has none: the bare name then fails as it should).
    const QString folder = QDir::currentPath();
    const QString path = folder.isEmpty() ? name : QDir(folder).absoluteFilePath(name);
    const std::string error = WriteLogFile(QFile::encodeName(path).toStdString(), LogText(sheet_));
    logError_ = QString::fromStdString(error);
    // Window-modal and open(): the host's windows and its calls go on.
    // Written, the box says where the file went.
    logPath_ = error.empty() ? QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()) : QString();
    auto* box = error.empty()
                    ? new QMessageBox(QMessageBox::Information, windowTitle(),
                                      QStringLiteral("LOG uložen do souboru\n") + logPath_, QMessageBox::Ok, this)
                    : new QMessageBox(QMessageBox::Critical, windowTitle(), logError_, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

QtDiagnosticWindow::QtDiagnosticWindow(LibraryState& state) : form_(new TForm1(state)) {}

QtDiagnosticWindow::~QtDiagnosticWindow() {
    // Without the application the form cannot be deleted safely; the
    // application takes its windows with it.
    if (form_ != nullptr && QCoreApplication::instance() != nullptr) delete form_.data();
}

void QtDiagnosticWindow::Show() {
    TForm1* form = form_.data();
    if (form == nullptr) return;
    if (!form->isVisible() && form->windowHandle() == nullptr) {
        // On the screen of the window that asked for it, as large as the
        // screen lets it be, room left for the title bar.
        const QWidget* asking = QApplication::activeWindow();
        const QScreen* screen = asking != nullptr ? asking->screen() : QGuiApplication::primaryScreen();
        if (screen != nullptr) {
            const QRect area = screen->availableGeometry();
            form->resize(std::min(kClientWidth, area.width() - kFrameRoom),
                         std::min(kClientHeight, area.height() - kTitleRoom));
            QPoint at = area.center() - form->rect().center();
            at.setX(std::max(at.x(), area.left()));
            at.setY(std::max(at.y(), area.top() + kTitleRoom - kFrameRoom));
            form->move(at);
        }
    }
    form->show();
    // In front of the window that asked for it.
    form->raise();
    form->activateWindow();
}

}  // namespace orsg
