#include "live/recorder_window.h"

#include <algorithm>
#include <cmath>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "live/plot/plot_widget.h"
#include "module/config_transfer.h"
#include "module/module_host.h"
#include "named_widget.h"

namespace {

// Steps of one timer event while samples are due at once (an instant line,
// a recording behind): the window's messages run at least this often.
constexpr qint64 kStepBudgetMs = 15;
constexpr int kChannelColumns = 3;
constexpr int kMaxIntervalMs = 3600000;
constexpr int kDefaultPartMegabytes = 10;
constexpr qint64 kMegabyte = 1024 * 1024;

// The caption of a channel's box: a status bit by its name ("FN"), the
// others by theirs in capitals ("AIN0", "C01", "CNT1", "DIN0").
QString CaptionOf(const rq36::Channel& c) {
    if (c.kind == rq36::ChannelKind::StatusBit) return rq36::StatusBitCaption(0, c.index);
    return c.name.toUpper();
}

}  // namespace

TFormZaznam::TFormZaznam(rq36::ConnectionSettings* settings, rq36::ModuleLink* link, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), link_(link), response_(ORS_RESPONSE_WORDS, 0),
      offered_(rq36::RecorderChannels()) {
    setObjectName(QStringLiteral("FormZaznam"));
    setWindowTitle(QStringLiteral("Záznam a graf"));
    // The main window decides when the program quits.
    setAttribute(Qt::WA_QuitOnClose, false);
    if (settings_ && !link_) boundLink_ = std::make_unique<rq36::BoundModuleLink>(*settings_, response_.data());

    // Channels, by kind: inputs, combined values, counters, digital inputs,
    // status bits, each kind from a new row.
    auto* channels = new QGroupBox(QStringLiteral("Kanály"), this);
    auto* grid = new QGridLayout(channels);
    int row = 0;
    int column = 0;
    const QStringList kindTitles = {QStringLiteral("Analogové vstupy"), QStringLiteral("Kombinované hodnoty"),
                                    QStringLiteral("Čítače"), QStringLiteral("Digitální vstupy"),
                                    QStringLiteral("Status registr")};
    rq36::ChannelKind lastKind = rq36::ChannelKind::Digital;  // none offered: the first box starts a kind
    int kindIndex = -1;
    for (const rq36::Channel& c : offered_) {
        if (c.kind != lastKind) {
            lastKind = c.kind;
            if (column != 0) ++row;
            auto* title = new QLabel(kindTitles.value(++kindIndex), channels);
            grid->addWidget(title, row++, 0, 1, kChannelColumns);
            column = 0;
        }
        auto* box = rq36::Named(new QCheckBox(CaptionOf(c), channels), qPrintable(QStringLiteral("Kanal_") + c.name));
        if (c.kind == rq36::ChannelKind::StatusBit) box->setToolTip(rq36::StatusBitToolTip(0, c.index));
        grid->addWidget(box, row, column);
        checks_.push_back(box);
        if (++column == kChannelColumns) {
            column = 0;
            ++row;
        }
    }
    checks_.front()->setChecked(true);

    auto* sampling = new QGroupBox(QStringLiteral("Vzorkování"), this);
    auto* samplingLayout = new QGridLayout(sampling);
    SpinInterval = rq36::Named(new QSpinBox(sampling), "SpinInterval");
    SpinInterval->setRange(1, kMaxIntervalMs);
    SpinInterval->setSuffix(QStringLiteral(" ms"));
    SpinInterval->setValue(kDefaultIntervalMs);
    LabelNejkratsi = rq36::Named(new QLabel(sampling), "LabelNejkratsi");
    samplingLayout->addWidget(new QLabel(QStringLiteral("Interval"), sampling), 0, 0);
    samplingLayout->addWidget(SpinInterval, 0, 1);
    samplingLayout->addWidget(LabelNejkratsi, 1, 0, 1, 2);

    auto* file = new QGroupBox(QStringLiteral("Soubor CSV"), this);
    auto* fileLayout = new QGridLayout(file);
    CheckSoubor = rq36::Named(new QCheckBox(QStringLiteral("Ukládat do souboru"), file), "CheckSoubor");
    CheckSoubor->setChecked(true);
    ComboDeleni = rq36::Named(new QComboBox(file), "ComboDeleni");
    ComboDeleni->addItems({QStringLiteral("Jeden soubor"), QStringLiteral("Nový soubor každou hodinu"),
                           QStringLiteral("Nový soubor po dosažení velikosti")});
    SpinVelikost = rq36::Named(new QSpinBox(file), "SpinVelikost");
    SpinVelikost->setRange(1, 4096);
    SpinVelikost->setSuffix(QStringLiteral(" MB"));
    SpinVelikost->setValue(kDefaultPartMegabytes);
    fileLayout->addWidget(CheckSoubor, 0, 0, 1, 2);
    fileLayout->addWidget(ComboDeleni, 1, 0, 1, 2);
    fileLayout->addWidget(new QLabel(QStringLiteral("Velikost části"), file), 2, 0);
    fileLayout->addWidget(SpinVelikost, 2, 1);

    ButtonStart = rq36::Named(new QPushButton(QStringLiteral("Start"), this), "ButtonStart");
    ButtonStop = rq36::Named(new QPushButton(QStringLiteral("Stop"), this), "ButtonStop");
    ButtonKonec = rq36::Named(new QPushButton(QStringLiteral("Sledovat konec"), this), "ButtonKonec");
    ButtonZnacky = rq36::Named(new QPushButton(QStringLiteral("Zrušit značky"), this), "ButtonZnacky");
    ButtonObrazek = rq36::Named(new QPushButton(QStringLiteral("Uložit obrázek…"), this), "ButtonObrazek");
    auto* runButtons = new QHBoxLayout;
    runButtons->addWidget(ButtonStart);
    runButtons->addWidget(ButtonStop);
    auto* plotButtons = new QGridLayout;
    plotButtons->addWidget(ButtonKonec, 0, 0);
    plotButtons->addWidget(ButtonZnacky, 0, 1);
    plotButtons->addWidget(ButtonObrazek, 1, 0, 1, 2);

    auto* side = new QVBoxLayout;
    side->addWidget(channels);
    side->addWidget(sampling);
    side->addWidget(file);
    side->addLayout(runButtons);
    side->addStretch(1);
    side->addLayout(plotButtons);

    Plot1 = rq36::Named(new rq36::PlotWidget(this), "Plot1");
    auto* body = new QHBoxLayout;
    body->addLayout(side);
    body->addWidget(Plot1, 1);

    status_ = rq36::Named(new QLabel(this), "StatusBar1Panel0");
    status_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(status_);
    resize(1000, 620);

    Timer1 = rq36::Named(new QTimer(this), "Timer1");
    Timer1->setSingleShot(true);
    // Short intervals are kept to the millisecond.
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2 = rq36::Named(new QTimer(this), "Timer2");
    Timer2->setInterval(kRefreshMs);
    for (QCheckBox* box : checks_) connect(box, &QCheckBox::toggled, this, &TFormZaznam::RefreshMinimalInterval);
    connect(Timer1, &QTimer::timeout, this, &TFormZaznam::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TFormZaznam::Timer2Timer);
    connect(ButtonStart, &QPushButton::clicked, this, &TFormZaznam::StartClick);
    connect(ButtonStop, &QPushButton::clicked, this, &TFormZaznam::StopClick);
    connect(ButtonObrazek, &QPushButton::clicked, this, &TFormZaznam::ObrazekClick);
    connect(ButtonKonec, &QPushButton::clicked, Plot1, &rq36::PlotWidget::FollowEnd);
    connect(ButtonZnacky, &QPushButton::clicked, Plot1, &rq36::PlotWidget::ClearMarkers);
    connect(Plot1, &rq36::PlotWidget::FollowEndChanged, this, &TFormZaznam::UpdateButtons);
    connect(Plot1, &rq36::PlotWidget::MarkersChanged, this, &TFormZaznam::UpdateButtons);
    connect(CheckSoubor, &QCheckBox::toggled, this, &TFormZaznam::UpdateButtons);
    connect(ComboDeleni, &QComboBox::currentIndexChanged, this, &TFormZaznam::UpdateButtons);
    RefreshMinimalInterval();
    UpdateButtons();
}

TFormZaznam::~TFormZaznam() = default;

std::vector<rq36::Channel> TFormZaznam::ChosenChannels() const {
    std::vector<rq36::Channel> chosen;
    for (std::size_t i = 0; i < offered_.size(); ++i) {
        if (checks_[i]->isChecked()) chosen.push_back(offered_[i]);
    }
    return chosen;
}

void TFormZaznam::ChooseChannels(const QStringList& names) {
    for (std::size_t i = 0; i < offered_.size(); ++i) checks_[i]->setChecked(names.contains(offered_[i].name));
}

QString TFormZaznam::StatusText() const { return status_->text(); }

void TFormZaznam::SetStatus(const QString& text) { status_->setText(text); }

void TFormZaznam::RefreshMinimalInterval() {
    const std::vector<rq36::Channel> chosen = ChosenChannels();
    const int minimal = settings_ ? rq36::MinimalIntervalMs(chosen, *settings_) : 1;
    SpinInterval->setMinimum(minimal);
    LabelNejkratsi->setText(
        QStringLiteral("Nejkratší: %1 ms (dotazů na vzorek: %2)").arg(minimal).arg(rq36::RequestsPerSample(chosen)));
}

void TFormZaznam::UpdateButtons() {
    const bool recording = Recording();
    ButtonStart->setEnabled(!recording);
    ButtonStop->setEnabled(recording);
    for (QCheckBox* box : checks_) box->setEnabled(!recording);
    SpinInterval->setEnabled(!recording);
    CheckSoubor->setEnabled(!recording);
    ComboDeleni->setEnabled(!recording && CheckSoubor->isChecked());
    SpinVelikost->setEnabled(!recording && CheckSoubor->isChecked() && ComboDeleni->currentIndex() == 2);
    ButtonKonec->setEnabled(!Plot1->FollowsEnd());
    ButtonZnacky->setEnabled(Plot1->Marker(0).has_value() || Plot1->Marker(1).has_value());
}

void TFormZaznam::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The record's interface or speed may have changed meanwhile.
    if (!Recording()) RefreshMinimalInterval();
}

void TFormZaznam::closeEvent(QCloseEvent* event) {
    // A closed window records nothing: what was written stays.
    if (Recording()) StopClick();
    QWidget::closeEvent(event);
}

QString TFormZaznam::RunningText() const {
    QString text = QStringLiteral(" Záznam běží: vzorků %1, mezer %2").arg(session_->Samples()).arg(session_->Gaps());
    if (csv_) text += QStringLiteral(", soubor %1").arg(QDir::toNativeSeparators(csv_->CurrentPath()));
    return text;
}

void TFormZaznam::StartClick() {
    if (!settings_ || Recording()) return;
    if (!rq36::IsConnected(settings_)) {
        SetStatus(rq36::NotConnectedText());
        return;
    }
    RefreshMinimalInterval();
    const std::vector<rq36::Channel> channels = ChosenChannels();
    if (channels.empty()) {
        SetStatus(QStringLiteral(" Není vybrán žádný kanál."));
        return;
    }
    QString path;
    if (CheckSoubor->isChecked()) {
        path = csvPath_ ? csvPath_()
                        : QFileDialog::getSaveFileName(this, QStringLiteral("Záznam do souboru CSV"),
                                                       QDir::homePath() + QStringLiteral("/zaznam.csv"),
                                                       QStringLiteral("Soubory CSV (*.csv);;Všechny soubory (*)"));
        if (path.isEmpty()) {
            SetStatus(QStringLiteral(" Záznam nebyl spuštěn, soubor nebyl vybrán."));
            return;
        }
    }

    rq36::ModuleLink& link = link_ ? *link_ : *boundLink_;
    auto session =
        std::make_unique<rq36::RecordingSession>(link, channels, std::chrono::milliseconds(SpinInterval->value()));
    QString error;
    if (!session->Start(&error)) {
        SetStatus(rq36::StatusLine(error));
        return;
    }
    if (!path.isEmpty()) {
        const rq36::RotationRule rule{static_cast<rq36::Rotation>(ComboDeleni->currentIndex()),
                                      SpinVelikost->value() * kMegabyte};
        csv_ = std::make_unique<rq36::CsvRecording>(path, rq36::MetadataOf(*settings_, channels, session->Ranges()),
                                                    rq36::ValueColumns(channels, session->Ranges()), rule);
    }
    Plot1->Clear();
    for (const rq36::Channel& c : channels) {
        const rq36::TraceStyle style = rq36::TraceStyleOf(c, session->Ranges());
        Plot1->AddTrace(CaptionOf(c), style.unit, style.decimals,
                        style.steps ? rq36::TraceShape::kSteps : rq36::TraceShape::kLine);
    }
    Plot1->SetStartTime(QDateTime::currentDateTime());
    Plot1->SetFollowEnd(true);
    row_.assign(channels.size(), 0.0F);
    session_ = std::move(session);
    pendingStop_.reset();
    UpdateButtons();
    SetStatus(RunningText());
    Timer1->start(0);
    Timer2->start();
}

void TFormZaznam::StopClick() {
    if (!Recording()) return;
    const QString text =
        QStringLiteral(" Záznam zastaven: vzorků %1, mezer %2.").arg(session_->Samples()).arg(session_->Gaps());
    // Inside an exchange (a library that lets messages run) the session is
    // still in use: it stops once the exchange has returned.
    if (stepping_) {
        pendingStop_ = text;
        return;
    }
    Stop(text);
}

void TFormZaznam::Stop(const QString& status) {
    Timer1->stop();
    Timer2->stop();
    session_.reset();
    csv_.reset();
    pendingStop_.reset();
    Plot1->update();
    UpdateButtons();
    SetStatus(status);
}

void TFormZaznam::Take(const rq36::RecordedSample& sample) {
    if (csv_ && !csv_->Write(sample)) {
        pendingStop_ = rq36::StatusLine(csv_->Error());
        return;
    }
    for (std::size_t i = 0; i < row_.size(); ++i) row_[i] = static_cast<float>(sample.values[i]);
    Plot1->AppendSample(sample.seconds, row_);
}

void TFormZaznam::Timer1Timer() {
    if (!session_ || stepping_) return;
    stepping_ = true;
    QElapsedTimer budget;
    budget.start();
    while (!pendingStop_) {
        if (const std::optional<rq36::RecordedSample> sample = session_->Step()) Take(*sample);
        if (session_->UntilNextStep() > std::chrono::steady_clock::duration::zero() ||
            budget.elapsed() >= kStepBudgetMs)
            break;
    }
    stepping_ = false;
    if (pendingStop_) {
        const QString text = *pendingStop_;  // Stop clears pendingStop_
        Stop(text);
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(session_->UntilNextStep());
    Timer1->start(static_cast<int>(wait.count()));
}

void TFormZaznam::Timer2Timer() {
    if (!session_) return;
    Plot1->update();
    SetStatus(RunningText());
}

void TFormZaznam::ObrazekClick() {
    const QString path = imagePath_ ? imagePath_()
                                    : QFileDialog::getSaveFileName(this, QStringLiteral("Uložit obrázek grafu"),
                                                                   QDir::homePath() + QStringLiteral("/graf.png"),
                                                                   QStringLiteral("Obrázky PNG (*.png)"));
    if (path.isEmpty()) return;
    QString error;
    if (Plot1->SaveImage(path, &error)) {
        SetStatus(QStringLiteral(" Obrázek uložen do souboru %1.").arg(QDir::toNativeSeparators(path)));
    } else {
        SetStatus(QStringLiteral(" Obrázek nelze uložit: %1").arg(error));
    }
}
