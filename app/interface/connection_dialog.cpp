#include "interface/connection_dialog.h"

#include <algorithm>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>

#include "elided_label.h"
#include "interface/connection_logic.h"
#include "interface/connection_overview.h"
#include "named_widget.h"
#include "serial_ports.h"

using rq36::Named;

namespace {

// The list of serial devices, looked for again each time it opens: the
// adapter plugged in a moment ago is there.
class DeviceBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> beforePopup;
    void showPopup() override {
        if (beforePopup) beforePopup();
        QComboBox::showPopup();
    }
};

}  // namespace

TFormPripojeni::TFormPripojeni(rq36::ConnectionSettings* settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("FormPripojeni"));
    setWindowTitle(QStringLiteral(" Připojení modulu"));

    Label5 = Named(new QLabel(QStringLiteral("Komunikační rozhraní"), this), "Label5");
    ComboBox2 = Named(new QComboBox(this), "ComboBox2");
    ComboBox2->addItems(rq36::InterfaceListTexts());

    Label1 = Named(new QLabel(QStringLiteral("Adresa připojeného modulu"), this), "Label1");
    Edit1 = Named(new QLineEdit(this), "Edit1");
    Label2 = Named(new QLabel(QStringLiteral("Komunikační rychlost"), this), "Label2");
    ComboBox1 = Named(new QComboBox(this), "ComboBox1");
    ComboBox1->addItems(rq36::SpeedListTexts());

    Label3 = Named(new QLabel(QStringLiteral("Label3"), this), "Label3");
    Edit2 = Named(new QLineEdit(this), "Edit2");
    ComboBox4 = Named(new QComboBox(this), "ComboBox4");
    ComboBox4->addItems(rq36::EuartListTexts());
    CheckBox1 = Named(new QCheckBox(QStringLiteral("Diagnostické okno ORSG"), this), "CheckBox1");
    Label6 = Named(new QLabel(QStringLiteral("Label6"), this), "Label6");
    Edit3 = Named(new QLineEdit(this), "Edit3");
    ComboBox3 = Named(new QComboBox(this), "ComboBox3");
    ComboBox3->addItems(rq36::ParityListTexts());
    Label7 = Named(new QLabel(QStringLiteral("Label7"), this), "Label7");
    Edit4 = Named(new QLineEdit(this), "Edit4");
    // Modbus RTU: the device a port number opens, and the devices present.
    PortDevice = Named(new ElidedLabel(this), "PortDevice");
    LabelDevices = Named(new QLabel(QStringLiteral("Sériová zařízení v počítači"), this), "LabelDevices");
    auto* devices = new DeviceBox(this);
    devices->beforePopup = [this] { ListSerialDevices(); };
    ComboBoxDevices = Named<QComboBox>(devices, "ComboBoxDevices");

    // IP version options: part of the dialog, never shown; the converter is
    // always opened with IPv4.
    RadioButton1 = Named(new QRadioButton(QStringLiteral("IPv4"), this), "RadioButton1");
    RadioButton2 = Named(new QRadioButton(QStringLiteral("IPv6"), this), "RadioButton2");
    RadioButton1->setChecked(true);
    RadioButton1->hide();
    RadioButton2->hide();

    Label4 = Named(new QLabel(QStringLiteral("Status připojení"), this), "Label4");
    Panel1 = Named(new QLabel(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel1->setIndent(4);

    Button1 = Named(new QPushButton(QStringLiteral("Inicializace připojení"), this), "Button1");
    Button2 = Named(new QPushButton(QStringLiteral("Cancel"), this), "Button2");

    // Fixed layout: the two controls of a shared row lie exactly on top of
    // each other, so whichever the kind shows sits in the same place.
    const int margin = 12;
    const int columnGap = 16;
    const int width = 480;
    const int column = (width - 2 * margin - columnGap) / 2;
    const int leftX = margin;
    const int rightX = margin + column + columnGap;
    const int labelHeight = QFontMetrics(font()).height();
    const int fieldHeight =
        std::max({Edit1->sizeHint().height(), ComboBox1->sizeHint().height(), Button1->sizeHint().height()});
    const int blockHeight = labelHeight + 3 + fieldHeight;
    int y = margin;
    const auto placeBlock = [&](QLabel* label, QWidget* field, int x, int w) {
        label->setGeometry(x, y, w, labelHeight);
        field->setGeometry(x, y + labelHeight + 3, w, fieldHeight);
    };

    placeBlock(Label5, ComboBox2, leftX, width - 2 * margin);
    y += blockHeight + 10;
    placeBlock(Label1, Edit1, leftX, column);
    placeBlock(Label2, ComboBox1, rightX, column);
    y += blockHeight + 10;
    placeBlock(Label3, Edit2, leftX, column);
    ComboBox4->setGeometry(Edit2->geometry());
    placeBlock(Label6, Edit3, rightX, column);
    ComboBox3->setGeometry(Edit3->geometry());
    CheckBox1->setGeometry(Edit3->geometry());
    y += blockHeight + 10;
    placeBlock(Label7, Edit4, leftX, column);
    placeBlock(LabelDevices, ComboBoxDevices, leftX, width - 2 * margin);
    edit2Place_ = Edit2->geometry();
    {
        const int portWidth = Edit2->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16;
        PortDevice->setGeometry(edit2Place_.x() + portWidth + 6, edit2Place_.y(), column - portWidth - 6, fieldHeight);
    }
    RadioButton1->setGeometry(rightX, y + labelHeight + 3, column / 2, fieldHeight);
    RadioButton2->setGeometry(rightX + column / 2, y + labelHeight + 3, column / 2, fieldHeight);
    y += blockHeight + 14;
    placeBlock(Label4, Panel1, leftX, width - 2 * margin);
    y += blockHeight + 14;
    Button1->setGeometry(leftX, y, column, fieldHeight);
    Button2->setGeometry(width - margin - 110, y, 110, fieldHeight);
    y += fieldHeight + margin;
    setFixedSize(width, y);

    connect(ComboBox2, &QComboBox::currentIndexChanged, this, &TFormPripojeni::ComboBox2Change);
    connect(Edit2, &QLineEdit::textChanged, this, &TFormPripojeni::ShowPortDevice);
    connect(ComboBoxDevices, &QComboBox::activated, this, &TFormPripojeni::SerialDeviceChosen);
    connect(Button1, &QPushButton::clicked, this, &TFormPripojeni::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormPripojeni::Button2Click);
}

void TFormPripojeni::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TFormPripojeni::FormShow() {
    if (!settings_) return;
    const rq36::ConnectionSettings& s = *settings_;
    Edit1->setText(QString::number(s.ModuleAddress));
    ComboBox1->setCurrentIndex(rq36::IndexFromSpeed(s.Speed));
    {
        const QSignalBlocker blocker(ComboBox2);
        ComboBox2->setCurrentIndex(s.InterfaceKind < ComboBox2->count() ? s.InterfaceKind : -1);
    }
    ComboBox3->setCurrentIndex(s.Parity < ComboBox3->count() ? s.Parity : -1);
    ComboBox4->setCurrentIndex(s.EuartIndex >= 0 && s.EuartIndex < ComboBox4->count() ? s.EuartIndex : -1);
    RadioButton1->setChecked(true);
    ShowKindControls(ComboBox2->currentIndex());
    Panel1->setText(s.StatusText);
    if (connectWhenShown_) {
        connectWhenShown_ = false;
        // After the dialog has been painted, so that its texts show.
        QTimer::singleShot(0, this, &TFormPripojeni::Button1Click);
    }
}

void TFormPripojeni::ComboBox2Change() {
    const int kind = ComboBox2->currentIndex();
    if (kind < 0) {
        Panel1->setText(QString::fromUtf8(rq36::kStatusUnknownKind));
        Label3->show();
        Edit2->show();
        return;
    }
    ShowKindControls(kind);
}

void TFormPripojeni::ShowKindControls(int kind) {
    for (QWidget* w : std::initializer_list<QWidget*>{Label3, Label6, Label7, Edit2, Edit3, Edit4, ComboBox3, ComboBox4,
                                                      CheckBox1, PortDevice, LabelDevices, ComboBoxDevices}) {
        w->hide();
    }
    const rq36::KindControls c = rq36::ControlsForKind(kind);
    if (!c.label3.isNull()) Label3->setText(c.label3);
    Label6->setText(c.label6);
    Label7->setText(c.label7);
    Label3->setVisible(c.edit2 || c.comboBox4);
    Label6->setVisible(c.edit3 || c.comboBox3);
    Label7->setVisible(c.edit4);
    Edit2->setVisible(c.edit2);
    ComboBox4->setVisible(c.comboBox4);
    Edit3->setVisible(c.edit3);
    ComboBox3->setVisible(c.comboBox3);
    Edit4->setVisible(c.edit4);
    CheckBox1->setVisible(c.checkBox1);
    const bool device = rq36::PortMapsToDevice(kind);
    Edit2->setGeometry(
        device ? QRect(edit2Place_.topLeft(), QSize(PortDevice->x() - 6 - edit2Place_.x(), edit2Place_.height()))
               : edit2Place_);
    PortDevice->setVisible(device);
    LabelDevices->setVisible(device);
    ComboBoxDevices->setVisible(device);

    const rq36::InterfaceKindInfo* info = rq36::KindInfo(kind);
    if (!settings_ || info == nullptr) return;
    const rq36::ConnectionSettings& s = *settings_;
    if (info->Takes(rq36::kParamComPort)) Edit2->setText(QString::number(s.ComPort));
    if (info->Takes(rq36::kParamIsaBase)) Edit2->setText(rq36::FormatIsaBaseAddress(s.IsaBaseAddress));
    if (info->Takes(rq36::kParamLan)) {
        Edit2->setText(s.IpAddress);
        Edit3->setText(QString::number(s.UdpPort));
        Edit4->setText(QString::number(s.UdpTimeout));
    }
    if (info->Takes(rq36::kParamParity)) ComboBox3->setCurrentIndex(s.Parity < ComboBox3->count() ? s.Parity : -1);
    if (info->Takes(rq36::kParamEuart))
        ComboBox4->setCurrentIndex(s.EuartIndex >= 0 && s.EuartIndex < ComboBox4->count() ? s.EuartIndex : -1);
    if (info->Takes(rq36::kParamDiagnosticWindow)) CheckBox1->setChecked(s.OrsgDiagnosticWindow);
    if (device) ListSerialDevices();
}

void TFormPripojeni::ShowPortDevice() {
    if (!rq36::PortMapsToDevice(ComboBox2->currentIndex())) return;
    // The number the connection will open (as Inicializace připojení reads it).
    PortDevice->SetText(rq36::PortDeviceText(rq36::ParseComPort(Edit2->text())));
    // The list shows the typed port's device where it has it.
    const auto at = std::find(devicePorts_.begin(), devicePorts_.end(), rq36::ParseComPort(Edit2->text()));
    ComboBoxDevices->setCurrentIndex(at == devicePorts_.end() ? -1 : static_cast<int>(at - devicePorts_.begin()));
}

void TFormPripojeni::ListSerialDevices() {
    const std::vector<rq36::SerialDeviceChoice> choices =
        rq36::SerialDeviceChoices(rq36::serial::PresentSerialDevices(deviceRoot_.toStdString()));
    const QSignalBlocker blocker(ComboBoxDevices);
    ComboBoxDevices->clear();
    devicePorts_.clear();
    for (const rq36::SerialDeviceChoice& c : choices) {
        ComboBoxDevices->addItem(c.itemText, c.device);
        devicePorts_.push_back(c.port.value_or(0));
    }
    ComboBoxDevices->setPlaceholderText(choices.empty() ? QStringLiteral("Žádné sériové zařízení nenalezeno")
                                                        : QStringLiteral("Vyberte zařízení…"));
    ShowPortDevice();
}

void TFormPripojeni::SerialDeviceChosen(int index) {
    if (index < 0 || index >= static_cast<int>(devicePorts_.size())) return;
    if (devicePorts_[static_cast<std::size_t>(index)] != 0) {
        Edit2->setText(QString::number(devicePorts_[static_cast<std::size_t>(index)]));
        return;
    }
    // The settings keep a port number only: say how this device gets one.
    const QString device = ComboBoxDevices->itemData(index).toString();
    ShowPortDevice();
    QMessageBox::information(this, windowTitle().trimmed(), rq36::NoPortHint(device));
}

void TFormPripojeni::SetStatus(const QString& text, bool repaintNow) {
    Panel1->setText(text);
    if (repaintNow) Panel1->repaint();
}

void TFormPripojeni::Button1Click() {
    if (!settings_) return;
    rq36::ConnectionInputs inputs;
    inputs.addressText = Edit1->text();
    inputs.speedIndex = ComboBox1->currentIndex();
    inputs.kindIndex = ComboBox2->currentIndex();
    inputs.parityIndex = ComboBox3->currentIndex();
    inputs.euartIndex = ComboBox4->currentIndex();
    inputs.orsgWindow = CheckBox1->isChecked();
    inputs.parameter1 = Edit2->text();
    inputs.parameter2 = Edit3->text();
    inputs.parameter3 = Edit4->text();

    // The attempt blocks until the library and the module have answered.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const rq36::ConnectionOutcome outcome = rq36::InitializeConnection(
        *settings_, inputs, [this](const QString& text, bool repaintNow) { SetStatus(text, repaintNow); });

    QApplication::restoreOverrideCursor();
    if (outcome.addressText) Edit1->setText(*outcome.addressText);
    if (outcome.parameter1) Edit2->setText(*outcome.parameter1);
}

void TFormPripojeni::Button2Click() { reject(); }
