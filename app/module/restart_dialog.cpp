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

    Button1 = AddButton("Restartovat", "Button1", &TFormRestartModulu::Button1Click);
    Button2 = AddButton("Cancel", "Button2", &TFormRestartModulu::Button2Click);
}

void TFormRestartModulu::Button1Click() {
    TalkToModule([this] {
        const rq36::ModuleReply reply = Link().Send(rq36::RestartCommand());
        if (reply.Ok()) {
            restarted_ = true;
            SetStatus(QString::fromUtf8(rq36::kRestartedText));
        } else {
            ShowReplyStatus(reply);
        }
    });
}

void TFormRestartModulu::Button2Click() { reject(); }
