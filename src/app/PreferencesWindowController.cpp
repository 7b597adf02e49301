// The preferences window; see PreferencesWindowController.h.
#include "PreferencesWindowController.h"

#include "AlertPresenter.h"
#include "ResourceImages.h"
#include "SettingsNotice.h"
#include "Translation.h"
#include "WindowPlacement.h"
#include "switch/DefaultsStore.h"
#include "switch/PortNames.h"
#include "switch/PortRotation.h"

#include "ui_ConfigWindow.h"

#include <QIcon>
#include <QJsonValue>
#include <QSignalBlocker>

#include <cmath>

PreferencesWindowController::PreferencesWindowController(QObject *parent)
    : QObject(parent), mWindow(std::make_unique<QWidget>(nullptr, Qt::Window)),
      mUi(std::make_unique<Ui::ConfigWindow>())
{
    mUi->setupUi(mWindow.get());
    mWindow->setWindowIcon(resourceIcon(QStringLiteral("Status")));
    for (int binding = 1; binding <= 5; ++binding) {
        QPushButton *button = changeButton(binding);
        connect(button, &QPushButton::clicked, this, [this, button] { emit changeHotkeyRequested(button); });
    }
    for (int port = 1; port <= PortNames::kMaxPorts; ++port) {
        QLineEdit *field = portNameField(port);
        field->setMaxLength(PortNames::kMaxNameLength);
        connect(field, &QLineEdit::editingFinished, this, [this, port] { storePortName(port); });
    }
    showPortNames(QString(), QString(), 0);
    mHotkeyNotice = new QLabel(mUi->mHotkeyGroup);
    mHotkeyNotice->setWordWrap(true);
    mHotkeyNotice->hide();
    mUi->hotkeyLayout->addWidget(mHotkeyNotice, mUi->hotkeyLayout->rowCount(), 0, 1, -1);
    connect(mUi->mTimeInterval, &QSpinBox::valueChanged, this, &PreferencesWindowController::storeTimeInterval);
    connect(mUi->mLaunchAtLogin, &QCheckBox::clicked, this,
            [this] { emit launchAtLoginToggled(mUi->mLaunchAtLogin); });
    connect(mUi->mButtonBox, &QDialogButtonBox::rejected, mWindow.get(), &QWidget::close);
}

PreferencesWindowController::~PreferencesWindowController() = default;

QLineEdit *PreferencesWindowController::hotkeyField(int binding) const
{
    QLineEdit *const fields[5] = {mUi->mHotkeyField1, mUi->mHotkeyField2, mUi->mHotkeyField3,
                                  mUi->mHotkeyField4, mUi->mHotkeyField5};
    return binding >= 1 && binding <= 5 ? fields[binding - 1] : nullptr;
}

QPushButton *PreferencesWindowController::changeButton(int binding) const
{
    QPushButton *const buttons[5] = {mUi->mHotkeyButton1, mUi->mHotkeyButton2, mUi->mHotkeyButton3,
                                     mUi->mHotkeyButton4, mUi->mHotkeyButton5};
    return binding >= 1 && binding <= 5 ? buttons[binding - 1] : nullptr;
}

QLineEdit *PreferencesWindowController::portNameField(int port) const
{
    QLineEdit *const fields[4] = {mUi->mPortName1, mUi->mPortName2, mUi->mPortName3, mUi->mPortName4};
    return port >= 1 && port <= 4 ? fields[port - 1] : nullptr;
}

QSpinBox *PreferencesWindowController::timeInterval() const
{
    return mUi->mTimeInterval;
}

QCheckBox *PreferencesWindowController::launchAtLoginBox() const
{
    return mUi->mLaunchAtLogin;
}

void PreferencesWindowController::setHotkeyDescription(int binding, const QString &text, bool inactive)
{
    QLineEdit *field = hotkeyField(binding);
    if (field == nullptr)
        return;
    field->setText(text);
    field->setToolTip(inactive ? text : QString());
    field->setCursorPosition(0);
}

void PreferencesWindowController::setHotkeyNotice(const QString &text)
{
    mHotkeyNotice->setText(text);
    mHotkeyNotice->setVisible(!text.isEmpty());
    // A wrapped text needs the height its width asks for, which a window's minimum size
    // does not take into account.
    const int height = mWindow->heightForWidth(mWindow->width());
    if (height > mWindow->height())
        mWindow->resize(mWindow->width(), height);
}

void PreferencesWindowController::setTimeInterval(double seconds)
{
    const QSignalBlocker blocker(mUi->mTimeInterval);
    mUi->mTimeInterval->setValue(int(std::lround(seconds)));
}

void PreferencesWindowController::setLaunchAtLogin(bool installed)
{
    mUi->mLaunchAtLogin->setChecked(installed);
}

void PreferencesWindowController::showPortNames(const QString &serial, const QString &model, int ports)
{
    mPortNamesSerial = serial;
    mUi->mPortNamesSwitch->setText(serial.isEmpty() ? tx("No switch connected")
                                                    : model + QLatin1Char(' ') + serial);
    const PortNames names(DefaultsStore::standard());
    QLabel *const labels[4] = {mUi->mPortNameLabel1, mUi->mPortNameLabel2, mUi->mPortNameLabel3,
                               mUi->mPortNameLabel4};
    for (int port = 1; port <= PortNames::kMaxPorts; ++port) {
        QLineEdit *field = portNameField(port);
        const QSignalBlocker blocker(field);
        field->setText(names.name(serial, port));
        field->setModified(false);
        // A mini has two ports: fields 3 and 4 would name nothing.
        field->setVisible(port <= ports || ports == 0);
        labels[port - 1]->setVisible(port <= ports || ports == 0);
        field->setEnabled(port <= ports);
    }
}

void PreferencesWindowController::storePortName(int port)
{
    QLineEdit *field = portNameField(port);
    // Leaving an untouched field, or a second signal for one edit, stores nothing.
    if (mPortNamesSerial.isEmpty() || !field->isModified())
        return;
    field->setModified(false);
    PortNames names(DefaultsStore::standard());
    if (!names.setName(mPortNamesSerial, port, field->text())) {
        const QString message = tx("The port name could not be saved:\n%1").arg(names.error());
        // A failed write keeps the name in memory; a refused name changes nothing.
        if (names.name(mPortNamesSerial, port) == field->text().trimmed())
            SettingsNotice::tell(DefaultsStore::standard(), message);
        else
            AlertPresenter::inform(message);
    }
    field->setText(names.name(mPortNamesSerial, port));
    emit portNamesChanged();
}

void PreferencesWindowController::show()
{
    centerAndShow(mWindow.get());
}

void PreferencesWindowController::storeTimeInterval(int seconds)
{
    DefaultsStore &defaults = DefaultsStore::standard();
    const QString key = PortRotation::timeIntervalKey();
    if (seconds < 1 || defaults.valueForKey(key) == QJsonValue(seconds))
        return;
    if (!defaults.setObjectForKey(key, seconds))
        SettingsNotice::tell(defaults, tx("The time interval could not be saved:\n%1").arg(defaults.lastError()));
}
