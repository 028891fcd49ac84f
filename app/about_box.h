// The about box: program name, version, a picture and the maker's address.
#pragma once

#include <functional>

#include <QDialog>
#include <QUrl>

class QLabel;
class QPushButton;

namespace rq36 {

inline constexpr char kProgramVersion[] = "1.06";
// Opens a document or web address with the desktop's handler.
using UrlOpener = std::function<bool(const QUrl&)>;
// The web address behind the about box's link.
QUrl MakerWebAddress();

}  // namespace rq36

class TFormOProgramu : public QDialog {
    Q_OBJECT

public:
    // openUrl: how the link is opened (default: the desktop's handler);
    // showMessage: how a failure to open it is told (default: a message box).
    explicit TFormOProgramu(QWidget* parent = nullptr, rq36::UrlOpener openUrl = {},
                            std::function<void(const QString&)> showMessage = {});

public slots:
    void Label5Click();
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    rq36::UrlOpener openUrl_;
    std::function<void(const QString&)> showMessage_;
    QLabel* Image1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QPushButton* Button1;
};
