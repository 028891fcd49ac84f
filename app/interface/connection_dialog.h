// The connection dialog: choose the interface and its parameters, the
// module's address and speed, and initialise the connection.
#pragma once

#include <QDialog>

#include "connection_settings.h"

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

    rq36::ConnectionSettings* settings_;

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
    QCheckBox* CheckBox1;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QLabel* Panel1;
    QPushButton* Button1;
    QPushButton* Button2;
};
