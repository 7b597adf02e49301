// The preferences window: the five hot-key fields with their "Change…" buttons, one name
// field per port of the selected switch, the rotation's time interval and the login check
// box. It shows what it is given and stores the port names and the time interval itself; a
// change of binding or of the login entry is handed on through its signals. Made when the
// user first opens it.
#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QDoubleSpinBox;
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
    // Port 1-4's name field; null for another number.
    QLineEdit *portNameField(int port) const;
    // Whole and fractional seconds ("2.5"); a text that is no number is refused, never read
    // as another one.
    QDoubleSpinBox *timeInterval() const;
    // Why port 1-4's name was refused, shown beside its field; empty when it was not.
    QString portNameProblem(int port) const;
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
    // Offers a name field for each of the `ports` ports of switch `serial` ("" for none),
    // filled with the stored names. A name is stored when its field is left.
    void showPortNames(const QString &serial, const QString &model, int ports);
    // The same for switches switched together ("All switches (2)" in `title`): the fields
    // show the first one's names, and a name given applies to that port of each of them.
    void showPortNamesTogether(const QStringList &serials, const QString &title, int ports);
    void show();

signals:
    // A "Change…" button was clicked; its "tag" property names the binding.
    void changeHotkeyRequested(QObject *button);
    void launchAtLoginToggled(QObject *box);
    // A port name was stored (or is held in memory after a failed write).
    void portNamesChanged();

private:
    void storeTimeInterval(double seconds);
    void storePortName(int port);
    void fitHeight();
    void showHotkeyTitles();

    std::unique_ptr<QWidget> mWindow;
    std::unique_ptr<Ui::ConfigWindow> mUi;
    QString mPortNamesSerial; // the switch whose names the fields show
    QStringList mPortNamesTogether; // the switches a name given applies to, when several
    QLabel *mHotkeyNotice = nullptr;
    QLabel *mPortNameProblems[4] = {};
};
