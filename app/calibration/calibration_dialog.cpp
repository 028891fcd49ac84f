#include "calibration/calibration_dialog.h"

#include <algorithm>

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QTimer>

#include "calibration/calibration_backup.h"
#include "module/range_table.h"
#include "module/value_format.h"

using rq36::Named;

namespace {
constexpr int kLiveValueIntervalMs = 500;
}  // namespace

TForm6::TForm6(rq36::ConnectionSettings* settings, QWidget* parent) : ModuleDialog(settings, parent) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Kalibrace vstupů"));
    procedure_.SetBeforeWrite(rq36::KeepBeforeCalibration(settings));

    ComboBox2 = Named(new QComboBox(Body()), "ComboBox2");
    for (int input = 0; input < rq36::kAnalogInputs; ++input) ComboBox2->addItem(QStringLiteral("AIN%1").arg(input));
    ComboBox1 = Named(new QComboBox(Body()), "ComboBox1");
    ComboBox1->addItems(rq36::RangeListTexts());
    Edit2 = Named(new QLineEdit(Body()), "Edit2");
    Edit3 = Named(new QLineEdit(Body()), "Edit3");
    Edit3->setReadOnly(true);
    Memo1 = Named(new QPlainTextEdit(Body()), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::ClickFocus);  // not a tab stop
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Wide enough for the longest heading and instruction on one line each;
    // the longer warnings wrap.
    const QFontMetrics metrics = Memo1->fontMetrics();
    const int lineWidth = std::max(metrics.horizontalAdvance(QString::fromUtf8(rq36::kCalibrationRuleText) +
                                                             QString::fromUtf8(rq36::kCalibrationHeadingText) +
                                                             QStringLiteral("0") + rq36::RangeLogText(4)),
                                   metrics.horizontalAdvance(QString::fromUtf8(rq36::kApplyVoltageText)));
    const int margins = 2 * Memo1->frameWidth() + 2 * static_cast<int>(Memo1->document()->documentMargin()) +
                        Memo1->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16;
    Memo1->setFixedSize(lineWidth + margins, metrics.lineSpacing() * 16 + 12);

    auto* grid = new QGridLayout(Body());
    grid->setContentsMargins(12, 12, 12, 4);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    const auto caption = [this](const char* text, QWidget* buddy) {
        auto* label = new QLabel(QString::fromUtf8(text), Body());
        label->setBuddy(buddy);
        return label;
    };
    grid->addWidget(caption("Kalibrovaný vstup", ComboBox2), 0, 0);
    grid->addWidget(ComboBox2, 1, 0);
    grid->addWidget(caption("Kalibrovaný rozsah", ComboBox1), 0, 1);
    grid->addWidget(ComboBox1, 1, 1);
    grid->addWidget(caption("Zadaná hodnota [V, mA]", Edit2), 0, 2);
    grid->addWidget(Edit2, 1, 2);
    grid->addWidget(caption("Okamžitá hodnota", Edit3), 0, 3);
    grid->addWidget(Edit3, 1, 3);
    grid->setRowMinimumHeight(2, 6);
    grid->addWidget(caption("Pokyn", Memo1), 3, 0, 1, 4);
    grid->addWidget(Memo1, 4, 0, 1, 4);

    Button1 = Named(new QPushButton(QStringLiteral("Kalibrace"), this), "Button1");
    Button2 = Named(new QPushButton(QStringLiteral("Potvrzení"), this), "Button2");
    Button4 = Named(new QPushButton(QStringLiteral("Zrušit"), this), "Button4");
    Button3 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button3");
    for (QPushButton* button : {Button1, Button2, Button4, Button3}) {
        button->setAutoDefault(false);
        ButtonRow()->addWidget(button);
    }
    ButtonRow()->insertStretch(3);
    connect(Button1, &QPushButton::clicked, this, &TForm6::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm6::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TForm6::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &TForm6::Button3Click);

    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(kLiveValueIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TForm6::Timer1Timer);
    Timer1->start();

    FormCreate();
}

void TForm6::FormCreate() {
    Edit2->setText(QStringLiteral("0") + QLocale().decimalPoint() + QStringLiteral("0"));
    Edit3->clear();
    Memo1->clear();
    Memo1->appendPlainText(QString::fromUtf8(rq36::kCalibrationPromptText));
}

void TForm6::Button1Click() {
    if (Settings() == nullptr || Busy()) return;
    if (!ConnectionTest()) return;
    if (procedure_.State() != rq36::kCalibrationIdle) return;
    const BusyScope busy(*this);
    procedure_.Start(Link(), ComboBox2->currentIndex(), ComboBox1->currentIndex());
}

void TForm6::Button2Click() {
    if (Settings() == nullptr || Busy()) return;
    if (!ConnectionTest()) return;
    if (procedure_.State() == rq36::kCalibrationIdle) return;
    const BusyScope busy(*this);
    procedure_.Confirm(Link(), Edit2->text(), QLocale());
}

void TForm6::Button4Click() {
    if (Settings() == nullptr || Busy()) return;
    if (!ConnectionTest()) return;
    procedure_.Cancel();
}

void TForm6::Button3Click() { reject(); }

void TForm6::Timer1Timer() {
    if (Settings() == nullptr || Busy()) return;
    if (!ConnectionTest()) return;
    const BusyScope busy(*this, false);
    // The input chosen now, which need not be the one under calibration.
    const int input = ComboBox2->currentIndex();
    if (input < 0) return;
    const rq36::ModuleReply reply = Link().Send(rq36::ReadRegisterCommand(rq36::AnalogInputRegister(input)));
    if (!reply.Ok()) {
        Edit3->clear();
        SetStatus(u' ' + Link().StatusText(reply.status));
        return;
    }
    // Shown as the module delivers it: a current range in amperes.
    const auto value = static_cast<float>(rq36::DecodeScaledValue(reply.r));
    Edit3->setText(rq36::FormatMeasuredValue(value, rq36::ScaledValueDecimals(reply.r[3]), QLocale()));
}

void TForm6::Host::ShowStatus(const QString& text) { form_.SetStatus(text); }

void TForm6::Host::AppendLog(const QString& line) { form_.Memo1->appendPlainText(line); }

void TForm6::Host::Pause(int milliseconds) { form_.ModuleDialog::Pause(milliseconds); }
