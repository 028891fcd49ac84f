#include "live/counter_view.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using rq36::Named;

namespace {
constexpr char kWidestCount[] = "4294967295";
}  // namespace

TForm4::TForm4(rq36::ConnectionSettings* settings, QWidget* parent)
    : LiveView(settings, parent, kIntervalMs, TickTimer::OffDuringTick) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Okamžité hodnoty čítačů"));

    auto* grid = new QGridLayout(Body());
    grid->setContentsMargins(14, 12, 14, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(Named(new QLabel(QStringLiteral("Aktuální hodnota"), Body()), "Label1"), 0, 1, Qt::AlignHCenter);
    grid->addWidget(Named(new QLabel(QStringLiteral("Přednastavení"), Body()), "Label2"), 0, 2, Qt::AlignHCenter);

    const auto row = [&](int counter, QLabel*& value, const char* valueName, QLineEdit*& edit, const char* editName,
                         QPushButton*& run, const char* runName, QPushButton*& clear, const char* clearName,
                         QPushButton*& preset, const char* presetName) {
        const int at = counter + 1;
        auto* caption = new QLabel(QStringLiteral("CNT%1").arg(counter), Body());
        caption->setObjectName(QStringLiteral("Label%1").arg(5 + counter));
        QWidget* panel = ValuePanel(Body());
        panel->setObjectName(QStringLiteral("Panel%1").arg(counter + 1));
        auto* inside = new QHBoxLayout(panel);
        inside->setContentsMargins(8, 2, 8, 2);
        value = Named(new QLabel(QStringLiteral("0"), panel), valueName);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QString::fromLatin1(kWidestCount)) + 8);
        inside->addWidget(value);
        edit = Named(new QLineEdit(QStringLiteral("0"), Body()), editName);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-2147483648")) + 16);
        run = Named(new QPushButton(QStringLiteral("Start"), Body()), runName);
        clear = Named(new QPushButton(QStringLiteral("Vynulovat"), Body()), clearName);
        preset = Named(new QPushButton(QStringLiteral("Nastavit"), Body()), presetName);
        for (QPushButton* b : {run, clear, preset}) b->setAutoDefault(false);
        grid->addWidget(caption, at, 0);
        grid->addWidget(panel, at, 1);
        grid->addWidget(edit, at, 2);
        grid->addWidget(run, at, 3);
        grid->addWidget(clear, at, 4);
        grid->addWidget(preset, at, 5);
    };
    row(0, Label3, "Label3", Edit1, "Edit1", Button1, "Button1", Button3, "Button3", Button6, "Button6");
    row(1, Label4, "Label4", Edit2, "Edit2", Button2, "Button2", Button4, "Button4", Button7, "Button7");

    Button5 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button5");
    Button5->setAutoDefault(false);
    ButtonRow()->addStretch();
    ButtonRow()->addWidget(Button5);
    ButtonRow()->addStretch();

    connect(Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm4::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm4::Button4Click);
    connect(Button6, &QPushButton::clicked, this, &TForm4::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TForm4::Button7Click);
    connect(Button5, &QPushButton::clicked, this, &TForm4::Button5Click);
}

void TForm4::ShowCaptions() {
    const auto caption = [this](int counter) {
        return tick_.Counting(counter) ? QStringLiteral("Stop") : QStringLiteral("Start");
    };
    Button1->setText(caption(0));
    Button2->setText(caption(1));
}

void TForm4::Button1Click() {
    tick_.PressRun(0);
    ShowCaptions();
}

void TForm4::Button2Click() {
    tick_.PressRun(1);
    ShowCaptions();
}

void TForm4::Button3Click() { tick_.PressClear(0); }
void TForm4::Button4Click() { tick_.PressClear(1); }
void TForm4::Button6Click() { tick_.PressPreset(0); }
void TForm4::Button7Click() { tick_.PressPreset(1); }
void TForm4::Button5Click() { reject(); }

void TForm4::Tick() {
    const bool read = tick_.Run(
        Link(), *this, [this](int counter) { return (counter == 0 ? Edit1 : Edit2)->text(); },
        [this] { ShowCaptions(); });
    ShowStale(Label3, !read);
    ShowStale(Label4, !read);
    if (!read) return;
    Label3->setText(rq36::CounterText(tick_.Value(0)));
    Label4->setText(rq36::CounterText(tick_.Value(1)));
}
