#include "about_box.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "desktop_integration.h"

namespace rq36 {

QUrl MakerWebAddress() { return QUrl(QStringLiteral("http://www.example.com")); }

}  // namespace rq36

namespace {

constexpr int kPictureWidth = 97;
constexpr int kPictureHeight = 57;

// The module on its rail: a grey housing, two rows of terminals, a green
// power lamp and the type label.
QPixmap ModulePicture() {
    QPixmap pixmap(kPictureWidth, kPictureHeight);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9a, 0xa0, 0xa6));
    p.drawRect(0, 25, kPictureWidth, 7);  // rail

    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
    p.setBrush(QColor(0xe4, 0xe6, 0xe8));
    p.drawRoundedRect(QRectF(10.5, 3.5, 76, 50), 4, 4);  // housing

    p.setBrush(QColor(0x30, 0x58, 0x98));
    for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(15.5 + i * 8.5, 6.5, 6, 5));   // upper terminals
        p.drawRect(QRectF(15.5 + i * 8.5, 45.5, 6, 5));  // lower terminals
    }

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x20, 0xb0, 0x40));
    p.drawEllipse(QPointF(78.5, 19.5), 2.5, 2.5);  // power lamp

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x20, 0x20, 0x20));
    p.drawText(QRect(10, 16, 77, 24), Qt::AlignCenter, QStringLiteral("RQ-36"));
    return pixmap;
}

}  // namespace

TFormOProgramu::TFormOProgramu(QWidget* parent, rq36::UrlOpener openUrl,
                               std::function<void(const QString&)> showMessage)
    : QDialog(parent), openUrl_(std::move(openUrl)), showMessage_(std::move(showMessage)) {
    setObjectName(QStringLiteral("FormOProgramu"));
    setWindowTitle(QStringLiteral(" O programu"));
    setFixedSize(410, 198);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette white = panel->palette();
    white.setColor(QPalette::Window, Qt::white);
    panel->setPalette(white);
    panel->setGeometry(12, 12, kPictureWidth + 20, kPictureHeight + 20);

    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ModulePicture());
    Image1->setGeometry(10, 10, kPictureWidth, kPictureHeight);

    const int textX = 148;
    const int textWidth = width() - textX - 12;

    Label1 = new QLabel(QStringLiteral("W_RQ36"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.5);
    Label1->setFont(bold);
    Label1->setGeometry(textX, 12, textWidth, 26);

    Label2 = new QLabel(QStringLiteral("Verze  "), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(textX, 42, textWidth, 18);

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    Label3 = new QLabel(QStringLiteral("Nastavení a test modulu RQ-36"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(small);
    Label3->setGeometry(textX, 66, textWidth, 16);
    Label4 = new QLabel(QStringLiteral("rozhraní COMx, ORS-B až ORS-G, Modbus RTU"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(small);
    Label4->setGeometry(textX, 84, textWidth, 16);

    Label5 = new QLabel(rq36::MakerWebAddress().host(), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    QFont link = font();
    link.setUnderline(true);
    Label5->setFont(link);
    QPalette blue = Label5->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label5->setPalette(blue);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->setGeometry(textX, 108, Label5->sizeHint().width(), 18);
    Label5->installEventFilter(this);

    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    bevel->setGeometry(12, 142, width() - 24, 4);

    Button1 = new QPushButton(QStringLiteral("Ok"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry((width() - 90) / 2, 156, 90, 30);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFormOProgramu::Button1Click);

    // FormCreate: the version goes behind the design text.
    Label2->setText(Label2->text() + QString::fromLatin1(rq36::kProgramVersion));
}

bool TFormOProgramu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label5 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label5Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormOProgramu::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Centred on the screen, wherever the main window stands.
    if (event->spontaneous()) return;
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void TFormOProgramu::Label5Click() {
    // Without a browser nothing opens: say so, with the address.
    const QUrl url = rq36::MakerWebAddress();
    if (openUrl_ ? openUrl_(url) : QDesktopServices::openUrl(url)) return;
    const QString message = rq36::OpenFailedText(url);
    if (showMessage_) {
        showMessage_(message);
    } else {
        QMessageBox::information(this, windowTitle().trimmed(), message);
    }
}

void TFormOProgramu::Button1Click() { accept(); }
