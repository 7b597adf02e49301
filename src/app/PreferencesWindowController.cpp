// The preferences window; see PreferencesWindowController.h.
#include "PreferencesWindowController.h"

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
#include <QLocale>
#include <QSignalBlocker>

#include <algorithm>

namespace {

const char *const kPortTitles[4] = {QT_TRANSLATE_NOOP("Translation", "Port 1"),
                                    QT_TRANSLATE_NOOP("Translation", "Port 2"),
                                    QT_TRANSLATE_NOOP("Translation", "Port 3"),
                                    QT_TRANSLATE_NOOP("Translation", "Port 4")};

} // namespace
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
        auto *problem = new QLabel(mUi->mPortNamesGroup);
        problem->setWordWrap(true);
        problem->setTextFormat(Qt::PlainText);
        problem->setStyleSheet(QStringLiteral("font-weight: bold;"));
        problem->hide();
        mUi->portNamesLayout->addWidget(problem, port, 2);
        mPortNameProblems[port - 1] = problem;
    }
    // "2.5" is two and a half seconds, never 25: a group separator is no part of a period.
    QLocale locale = mUi->mTimeInterval->locale();
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator | QLocale::OmitGroupSeparator);
    mUi->mTimeInterval->setLocale(locale);
    showPortNames(QString(), QString(), 0);
    mHotkeyNotice = new QLabel(mUi->mHotkeyGroup);
    mHotkeyNotice->setWordWrap(true);
    mHotkeyNotice->setTextFormat(Qt::PlainText); // it may quote the desktop's own words
    mHotkeyNotice->hide();
    mUi->hotkeyLayout->addWidget(mHotkeyNotice, mUi->hotkeyLayout->rowCount(), 0, 1, -1);
    connect(mUi->mTimeInterval, &QDoubleSpinBox::valueChanged, this, &PreferencesWindowController::storeTimeInterval);
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

QDoubleSpinBox *PreferencesWindowController::timeInterval() const
{
    return mUi->mTimeInterval;
}

QString PreferencesWindowController::portNameProblem(int port) const
{
    return port >= 1 && port <= 4 && !mPortNameProblems[port - 1]->isHidden()
        ? mPortNameProblems[port - 1]->text() : QString();
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
    fitHeight();
}

void PreferencesWindowController::fitHeight()
{
    // Until it is first shown, a window's widgets do not know their final sizes: show() fits.
    if (!mWindow->isVisible())
        return;
    // A wrapped text needs the height its width asks for, which a window's minimum size
    // does not take into account.
    // Rows hidden a moment ago are still in the layouts' caches until their (posted) layout
    // requests arrive.
    for (QLayout *layout : {static_cast<QLayout *>(mUi->hotkeyLayout), static_cast<QLayout *>(mUi->portNamesLayout),
                            mWindow->layout()})
        layout->invalidate();
    mWindow->layout()->activate();
    const int height = std::max(mWindow->heightForWidth(mWindow->width()), mWindow->minimumSizeHint().height());
    if (height > 0)
        mWindow->resize(mWindow->width(), height);
}

void PreferencesWindowController::setTimeInterval(double seconds)
{
    const QSignalBlocker blocker(mUi->mTimeInterval);
    mUi->mTimeInterval->setValue(seconds);
}

void PreferencesWindowController::setLaunchAtLogin(bool installed)
{
    mUi->mLaunchAtLogin->setChecked(installed);
}

void PreferencesWindowController::showPortNames(const QString &serial, const QString &model, int ports)
{
    // Without a switch, `model` says why (none attached, one to choose, the chosen one gone).
    mUi->mPortNamesSwitch->setText(serial.isEmpty() ? (model.isEmpty() ? tx("No switch connected") : model)
                                                    : model + QLatin1Char(' ') + serial);
    const PortNames names(DefaultsStore::standard());
    QLabel *const labels[4] = {mUi->mPortNameLabel1, mUi->mPortNameLabel2, mUi->mPortNameLabel3,
                               mUi->mPortNameLabel4};
    const bool sameSwitch = serial == mPortNamesSerial;
    mPortNamesSerial = serial;
    mPortNamesTogether.clear();
    for (int port = 1; port <= PortNames::kMaxPorts; ++port) {
        QLineEdit *field = portNameField(port);
        const QSignalBlocker blocker(field);
        // A name being typed (or refused) is the user's: a change of the file does not take it.
        if (!sameSwitch || !field->isModified()) {
            field->setText(names.name(serial, port));
            field->setModified(false);
        }
        // A mini has two ports: fields 3 and 4 would name nothing.
        field->setVisible(port <= ports || ports == 0);
        labels[port - 1]->setVisible(port <= ports || ports == 0);
        field->setEnabled(port <= ports);
        if (!sameSwitch || port > ports)
            mPortNameProblems[port - 1]->hide();
    }
    showHotkeyTitles();
    // Fewer rows leave no gap: the window takes the height its contents now ask for.
    fitHeight();
}

void PreferencesWindowController::showPortNamesTogether(const QStringList &serials, const QString &title,
                                                        int ports)
{
    showPortNames(serials.value(0), title, ports);
    mUi->mPortNamesSwitch->setText(title);
    mPortNamesTogether = serials;
}

void PreferencesWindowController::showHotkeyTitles()
{
    // The hot-key rows of the ports say which computer the key brings up.
    const PortNames names(DefaultsStore::standard());
    QLabel *const labels[4] = {mUi->mHotkeyLabel1, mUi->mHotkeyLabel2, mUi->mHotkeyLabel3, mUi->mHotkeyLabel4};
    for (int port = 1; port <= 4; ++port) {
        const QString title = tx(kPortTitles[port - 1]);
        QString titled = mPortNamesSerial.isEmpty() ? title : names.titled(title, mPortNamesSerial, port);
        labels[port - 1]->setText(tx("%1:").arg(titled.replace(QLatin1Char('&'), QLatin1String("&&"))));
    }
}

void PreferencesWindowController::storePortName(int port)
{
    QLineEdit *field = portNameField(port);
    QLabel *problem = mPortNameProblems[port - 1];
    // Leaving an untouched field, or a second signal for one edit, stores nothing.
    if (mPortNamesSerial.isEmpty() || !field->isModified())
        return;
    PortNames names(DefaultsStore::standard());
    QList<PortNames::Change> changes;
    for (const QString &serial : mPortNamesTogether)
        changes.append({serial, port, field->text()});
    const bool stored = changes.isEmpty() ? names.setName(mPortNamesSerial, port, field->text())
                                          : names.setNames(changes);
    // A failed write keeps the name in memory: it stands, and the failure is told once.
    const bool kept = stored || names.name(mPortNamesSerial, port) == field->text().trimmed();
    if (!stored && kept)
        SettingsNotice::tell(DefaultsStore::standard(),
                             tx("The port name could not be saved:\n%1").arg(names.error()));
    // A refused name stays in the field, with the reason beside it, for the user to mend:
    // no box pops up after the focus has moved on, and nothing typed is lost.
    problem->setText(kept ? QString() : names.error());
    problem->setVisible(!kept);
    if (kept) {
        field->setModified(false);
        field->setText(names.name(mPortNamesSerial, port));
    }
    showHotkeyTitles();
    emit portNamesChanged();
}

void PreferencesWindowController::show()
{
    centerAndShow(mWindow.get());
    fitHeight();
}

void PreferencesWindowController::storeTimeInterval(double seconds)
{
    DefaultsStore &defaults = DefaultsStore::standard();
    const QString key = PortRotation::timeIntervalKey();
    // Whole seconds stay whole numbers in the file, as a hand would write them.
    const QJsonValue value = seconds == std::trunc(seconds) ? QJsonValue(qint64(seconds)) : QJsonValue(seconds);
    if (seconds < 1 || defaults.valueForKey(key) == value)
        return;
    if (!defaults.setObjectForKey(key, value))
        SettingsNotice::tell(defaults, tx("The time interval could not be saved:\n%1").arg(defaults.lastError()));
}
