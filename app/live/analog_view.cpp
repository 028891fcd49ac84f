#include "live/analog_view.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

using rq36::Named;

namespace {

constexpr std::array<const char*, rq36::AnalogTick::kRows> kValueLabelNames = {
    "Label18", "Label19", "Label20", "Label21", "Label7",  "Label8",
    "Label11", "Label12", "Label13", "Label14", "Label15", "Label16"};
constexpr std::array<const char*, rq36::kAnalogInputs> kPairCaptions = {"0-1", "1-2", "2-0", "3-4", "4-5", "5-3"};
// The widest value a row is laid out for.
constexpr char kWidestValue[] = "-12345.6789 mA";

}  // namespace

TForm3::TForm3(rq36::ConnectionSettings* settings, QWidget* parent)
    : LiveView(settings, parent, kIntervalMs, TickTimer::OffDuringTick) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Okamžité hodnoty analogových vstupů"));

    auto* grid = new QGridLayout(Body());
    grid->setContentsMargins(14, 12, 14, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(0);
    grid->setColumnMinimumWidth(2, 18);

    const auto column = [&](int at, const QString& heading, const char* headingName, const char* panelName,
                            int firstRow, const auto& captionOf) {
        grid->addWidget(Named(new QLabel(heading, Body()), headingName), 0, at + 1, Qt::AlignHCenter);
        // The panel lies beneath the value labels of its rows, so that each
        // value stands level with its caption.
        QWidget* panel = Named(ValuePanel(Body()), panelName);
        grid->addWidget(panel, 1, at + 1, rq36::kAnalogInputs, 1);
        for (int i = 0; i < rq36::kAnalogInputs; ++i) {
            auto* caption = new QLabel(captionOf(i), Body());
            caption->setObjectName(QStringLiteral("Caption%1").arg(firstRow + i + 1));
            auto* value = Named(new QLabel(Body()), kValueLabelNames[static_cast<std::size_t>(firstRow + i)]);
            value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            value->setContentsMargins(10, 3, 10, 3);
            value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestValue)) + 20);
            grid->addWidget(caption, i + 1, at, Qt::AlignRight | Qt::AlignVCenter);
            grid->addWidget(value, i + 1, at + 1);
            values_[static_cast<std::size_t>(firstRow + i)] = value;
        }
    };
    column(0, QStringLiteral("Okamžitá hodnota"), "Label9", "Panel1", 0,
           [](int i) { return QStringLiteral("AIN%1").arg(i); });
    column(3, QStringLiteral("Sdružená hodnota"), "Label10", "Panel2", rq36::kAnalogInputs,
           [](int i) { return QString::fromLatin1(kPairCaptions[static_cast<std::size_t>(i)]); });

    Button1 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button1");
    Button1->setAutoDefault(false);
    ButtonRow()->addStretch();
    ButtonRow()->addWidget(Button1);
    ButtonRow()->addStretch();
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
}

void TForm3::Button1Click() { reject(); }

void TForm3::Tick() {
    std::array<bool, rq36::AnalogTick::kRows> written{};
    tick_.Run(Link(), *this, [this, &written](int row, const QString& text) {
        values_[static_cast<std::size_t>(row)]->setText(text);
        written[static_cast<std::size_t>(row)] = true;
    });
    for (std::size_t row = 0; row < values_.size(); ++row) ShowStale(values_[row], !written[row]);
}
