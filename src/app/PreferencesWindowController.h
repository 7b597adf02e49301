// The preferences window: the five hot-key fields with their "Change…" buttons, the
// rotation's time interval and the login check box. It shows what it is given and stores
// the time interval itself; a change of binding or of the login entry is handed on through
// its signals. Made when the user first opens it.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace Ui {
class ConfigWindow;
}

class PreferencesWindowController : public QObject
{
    Q_OBJECT
public:
    explicit PreferencesWindowController(QObject *parent = nullptr);
    ~PreferencesWindowController() override;

    QWidget *window() const { return mWindow.get(); }
    // Binding 1-5's field and button; null for another number.
    QLineEdit *hotkeyField(int binding) const;
    QPushButton *changeButton(int binding) const;
    QSpinBox *timeInterval() const;
    QCheckBox *launchAtLoginBox() const;

    // A refused combination's whole sentence stays readable on hover: the field is narrow.
    void setHotkeyDescription(int binding, const QString &text, bool inactive);
    // Under the hot keys: why they are limited or unavailable in this session, and how the
    // desktop lets them be changed; hidden when there is nothing to say.
    void setHotkeyNotice(const QString &text);
    QLabel *hotkeyNotice() const { return mHotkeyNotice; }
    // Shows the period without storing it again.
    void setTimeInterval(double seconds);
    void setLaunchAtLogin(bool installed);
    void show();

signals:
    // A "Change…" button was clicked; its "tag" property names the binding.
    void changeHotkeyRequested(QObject *button);
    void launchAtLoginToggled(QObject *box);

private:
    void storeTimeInterval(int seconds);

    std::unique_ptr<QWidget> mWindow;
    std::unique_ptr<Ui::ConfigWindow> mUi;
    QLabel *mHotkeyNotice = nullptr;
};
