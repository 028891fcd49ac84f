// The connection dialog: choose the interface and its parameters, the
// module's address and speed, and initialise the connection.
#pragma once

#include <QDialog>
#include <QRect>
#include <vector>

#include "connection_settings.h"

class ElidedLabel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFormPripojeni : public QDialog {
    Q_OBJECT

public:
    // settings: the program's record, not owned; may be null (then the
    // dialog shows its design state and the button does nothing).
    explicit TFormPripojeni(rq36::ConnectionSettings* settings, QWidget* parent = nullptr);

    // "Inicializace připojení" runs by itself once the dialog is shown (the
    // offer to connect anew after a restart).
    void ConnectWhenShown() { connectWhenShown_ = true; }
    // Where the serial devices are looked for ("": this machine; tests give
    // a directory tree of their own).
    void SetDeviceRoot(const QString& root) { deviceRoot_ = root; }

public slots:
    void FormShow();
    void ComboBox2Change();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowKindControls(int kind);
    void SetStatus(const QString& text, bool repaintNow);
    // The serial device behind the typed port, and the devices present.
    void ShowPortDevice();
    void ListSerialDevices();
    void SerialDeviceChosen(int index);

    rq36::ConnectionSettings* settings_;
    bool connectWhenShown_ = false;
    QString deviceRoot_;
    QRect edit2Place_;              // Edit2's place when it is the whole field
    std::vector<int> devicePorts_;  // the port of each listed device; 0: none

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QComboBox* ComboBox3;
    QComboBox* ComboBox4;
    ElidedLabel* PortDevice;  // beside the port number: the device it opens
    QLabel* LabelDevices;
    QComboBox* ComboBoxDevices;  // the serial devices present
    QCheckBox* CheckBox1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QLabel* Panel1;
    QPushButton* Button1;
    QPushButton* Button2;
};
