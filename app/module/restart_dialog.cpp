#include "module/restart_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using rq36::Named;

TFormRestartModulu::TFormRestartModulu(rq36::ConnectionSettings* settings, QWidget* parent)
    : ModuleDialog(settings, parent) {
    setObjectName(QStringLiteral("FormRestartModulu"));
    setWindowTitle(QStringLiteral(" Restart modulu"));

    Label1 = Named(new QLabel(QStringLiteral("Opravdu chcete restartovat modul?"), Body()), "Label1");
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPixelSize(13);
    Label1->setFont(bold);
    Label1->setAlignment(Qt::AlignCenter);
    auto* layout = new QHBoxLayout(Body());
    layout->setContentsMargins(16, 18, 16, 10);
    layout->addWidget(Label1);

    Button1 = Named(new QPushButton(QStringLiteral("Restartovat"), this), "Button1");
    Button2 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button2");
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);
    ButtonRow()->addWidget(Button1);
    ButtonRow()->addWidget(Button2);
    connect(Button1, &QPushButton::clicked, this, &TFormRestartModulu::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormRestartModulu::Button2Click);
}

void TFormRestartModulu::Button1Click() {
    TalkToModule([this] {
        const rq36::ModuleReply reply = Link().Send(rq36::RestartCommand());
        if (reply.Ok()) {
            SetStatus(QString::fromUtf8(rq36::kRestartedText));
        } else {
            ShowReplyStatus(reply);
        }
    });
}

void TFormRestartModulu::Button2Click() { reject(); }
