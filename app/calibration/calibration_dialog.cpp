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

#include "calibration/calibration_backup.h"
#include "module/range_table.h"
#include "module/value_format.h"

using rq36::Named;

TForm6::TForm6(rq36::ConnectionSettings* settings, QWidget* parent)
    : LiveView(settings, parent, rq36::kCalibrationLiveValueIntervalMs, TickTimer::RunsThrough) {
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

    Button1 = AddButton("Kalibrace", "Button1", &TForm6::Button1Click);
    Button2 = AddButton("Potvrzení", "Button2", &TForm6::Button2Click);
    Button4 = AddButton("Zrušit", "Button4", &TForm6::Button4Click);
    ButtonRow()->addStretch();
    Button3 = AddButton("Cancel", "Button3", &TForm6::Button3Click);

    FormCreate();
}

void TForm6::FormCreate() {
    Edit2->setText(QStringLiteral("0") + QLocale().decimalPoint() + QStringLiteral("0"));
    Edit3->clear();
    Memo1->clear();
    Memo1->appendPlainText(QString::fromUtf8(rq36::kCalibrationPromptText));
}

void TForm6::Button1Click() {
    TalkToModule([this] {
        if (procedure_.State() != rq36::kCalibrationIdle) return;
        procedure_.Start(Link(), ComboBox2->currentIndex(), ComboBox1->currentIndex());
    });
}

void TForm6::Button2Click() {
    TalkToModule([this] {
        if (procedure_.State() == rq36::kCalibrationIdle) return;
        procedure_.Confirm(Link(), Edit2->text(), QLocale());
    });
}

void TForm6::Button4Click() {
    TalkToModule([this] { procedure_.Cancel(); }, Cursor::Normal);
}

void TForm6::Button3Click() { reject(); }

void TForm6::Tick() {
    const int input = ComboBox2->currentIndex();
    if (input < 0) return;
    Edit3->setText(rq36::CalibrationValueTick::Run(Link(), *this, input));
}

void TForm6::AppendLog(const QString& line) { Memo1->appendPlainText(line); }
