// PTKeyComboPanel: capture panel controller. The window is made lazily and remade if a parent
// window of a sheet took it down with itself.
#include "PTKeyComboPanel.h"

#include "PTKeyBroadcaster.h"
#include "PTKeyComboPanelTarget.h"
#include "ui_PTKeyComboPanel.h"

#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/VirtualKeyCodes.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLayout>

PTKeyComboPanel *PTKeyComboPanel::sharedPanel()
{
    // Kept for the life of the process; never destroyed, like the shared hot key center.
    static PTKeyComboPanel *panel = new PTKeyComboPanel;
    return panel;
}

PTKeyComboPanel::PTKeyComboPanel() = default;

PTKeyComboPanel::~PTKeyComboPanel()
{
    delete mWindow.data(); // a sheet still running ends here, as cancelled
    if (mSheetSuspendsHotKeys) {
        mSheetSuspendsHotKeys = false;
        PTHotKeyCenter::sharedCenter()->resumeAll();
    }
}

QDialog *PTKeyComboPanel::window()
{
    if (!mWindow) {
        mUi = std::make_unique<Ui::PTKeyComboPanel>();
        mWindow = new QDialog;
        mUi->setupUi(mWindow);
        windowDidLoad();
    }
    return mWindow;
}

void PTKeyComboPanel::windowDidLoad()
{
    mTitleFormat = mUi->mTitleField->text();
    mOkTitle = mUi->mOkButton->text();
    // The problem line is the only one that may grow: a name or a reason in another
    // language must not cut off the buttons.
    mUi->mProblemField->setStyleSheet(QStringLiteral("font-weight: bold;"));
    connect(mUi->mKeyBcaster, &PTKeyBroadcaster::keyEvent, this,
            &PTKeyComboPanel::noteKeyBroadcast);
    connect(mUi->mOkButton, &QPushButton::clicked, this, [this] { ok(mUi->mOkButton); });
    connect(mUi->mCancelButton, &QPushButton::clicked, this,
            [this] { cancel(mUi->mCancelButton); });
    connect(mUi->mClearButton, &QPushButton::clicked, this, [this] { clear(mUi->mClearButton); });
    // Closing the window or Escape from elsewhere ends the run like Cancel.
    connect(mWindow, &QDialog::finished, this, [this](int code) {
        if (mRunningAsSheet)
            sheetDidEnd(code);
    });
    // A sheet whose parent window is destroyed goes down with it: report it as cancelled.
    connect(mWindow, &QObject::destroyed, this, [this] {
        mWindow.clear(); // already down to a QWidget: not to be touched as a dialog
        if (mRunningAsSheet)
            sheetDidEnd(Cancelled);
    });
}

PTKeyBroadcaster *PTKeyComboPanel::keyBroadcaster() const
{
    return mWindow ? mUi->mKeyBcaster : nullptr;
}

QLabel *PTKeyComboPanel::titleField() const
{
    return mWindow ? mUi->mTitleField : nullptr;
}

QLabel *PTKeyComboPanel::comboField() const
{
    return mWindow ? mUi->mComboField : nullptr;
}

void PTKeyComboPanel::setKeyCombo(const PTKeyCombo &keyCombo)
{
    mKeyCombo = keyCombo;
    QString clash;
    if (keyCombo.isValidHotKeyCombo() && mClashLookup)
        clash = mClashLookup(keyCombo);
    const QString key = keyCombo.description();
    showProblem(clash.isEmpty() ? QString()
                                : tr("%1 is the hot key of “%2”. Move Here takes it from there; "
                                     "Cancel leaves both as they are.")
                                      .arg(key, QString(clash).replace(QLatin1Char(' '), QChar::Nbsp)),
                clash);
}

void PTKeyComboPanel::setKeyBindingName(const QString &name)
{
    mKeyName = name;
    refreshContents();
}

void PTKeyComboPanel::setClashLookup(ClashLookup lookup)
{
    mClashLookup = std::move(lookup);
}

QString PTKeyComboPanel::refusal(const PTKeyCombo &keyCombo)
{
    if (keyCombo.modifiers() != PTKeyCombo::kShiftKey)
        return {};
    // Keys that type nothing: Shift with them takes nothing from anyone. The function,
    // arrow and navigation keys carry the function-key bit and never get here.
    switch (keyCombo.keyCode()) {
    case 0x24: case 0x30: case 0x33: case 0x35: case 0x4C: // Return, Tab, Backspace, Escape, Enter
        return {};
    default:
        break;
    }
    return QCoreApplication::translate(
               "PTKeyComboPanel", "%1 would make the key impossible to type. Add Ctrl, Alt or Super.")
        .arg(keyCombo.description());
}

void PTKeyComboPanel::showProblem(const QString &problem, const QString &clash)
{
    mProblem = problem;
    mClash = clash;
    refreshContents();
}

void PTKeyComboPanel::refreshContents()
{
    if (!mWindow)
        return;
    mUi->mComboField->setText(mKeyCombo.description());
    mUi->mProblemField->setText(mProblem);
    mUi->mProblemField->setVisible(!mProblem.isEmpty());
    mUi->mOkButton->setText(mClash.isEmpty() ? mOkTitle : tr("&Move Here"));
    // The name is the key into the "Translation" table; an untranslated name shows as itself.
    QString name = QCoreApplication::translate("Translation", mKeyName.toUtf8().constData());
    // The title is the broadcaster's label and carries its mnemonic: a "&" of the name is text.
    // A wrapped title keeps the name on one line („Anschluss 2“, never „Anschluss / 2“).
    name.replace(QLatin1Char('&'), QLatin1String("&&")).replace(QLatin1Char(' '), QChar::Nbsp);
    QString title = mTitleFormat;
    const qsizetype at = title.indexOf(QLatin1String("%@"));
    if (at >= 0)
        title.replace(at, 2, name);
    mUi->mTitleField->setText(title);
    fitHeight();
}

void PTKeyComboPanel::fitHeight()
{
    // A reason that appears, or a long translation, needs more lines: the panel grows to show
    // them whole instead of cutting off its title. Sizes are known only once it shows.
    if (!mWindow || !mWindow->isVisible())
        return;
    mWindow->layout()->invalidate();
    mWindow->layout()->activate();
    const int height = mWindow->heightForWidth(mWindow->width());
    if (height > 0)
        mWindow->resize(mWindow->width(), height);
}

int PTKeyComboPanel::runModal()
{
    QDialog *dialog = window();
    refreshContents();
    mRunningAsSheet = false;
    dialog->setParent(nullptr, dialog->windowFlags());
    dialog->setWindowModality(Qt::ApplicationModal);
    mUi->mKeyBcaster->setFocus();
    // exec() shows it: the height fits once the first event is handled.
    QMetaObject::invokeMethod(this, &PTKeyComboPanel::fitHeight, Qt::QueuedConnection);
    PTHotKeyCenter *center = PTHotKeyCenter::sharedCenter();
    center->suspendAll();
    const int code = dialog->exec();
    center->resumeAll();
    if (mWindow) // a parent of the window may have taken it down during the run
        dialog->hide();
    return code == Accepted ? Accepted : Cancelled;
}

void PTKeyComboPanel::runModalForHotKey(PTHotKey *hotKey)
{
    if (!hotKey)
        return;
    setKeyBindingName(hotKey->name());
    setKeyCombo(hotKey->keyCombo());
    if (runModal() != Accepted)
        return;
    hotKey->setKeyCombo(mKeyCombo);
    PTHotKeyCenter::sharedCenter()->registerHotKey(hotKey);
}

void PTKeyComboPanel::runSheetForModalWindow(QWidget *parentWindow,
                                             PTKeyComboPanelTarget *target)
{
    QDialog *dialog = window();
    refreshContents();
    mSheetTarget = target;
    mSheetTargetGuard = dynamic_cast<QObject *>(target);
    mSheetTargetIsObject = !mSheetTargetGuard.isNull();
    mRunningAsSheet = true;
    if (!mSheetSuspendsHotKeys) { // a second run on a running sheet holds no second one
        mSheetSuspendsHotKeys = true;
        PTHotKeyCenter::sharedCenter()->suspendAll();
    }
    // A window-modal dialog blocks its parent window only, like a sheet.
    dialog->setParent(parentWindow ? parentWindow->window() : nullptr, Qt::Dialog);
    dialog->setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->open();
    fitHeight();
    mUi->mKeyBcaster->setFocus();
}

void PTKeyComboPanel::sheetDidEnd(int returnCode)
{
    PTKeyComboPanelTarget *target = mSheetTarget;
    const bool targetGone = mSheetTargetIsObject && mSheetTargetGuard.isNull();
    mRunningAsSheet = false;
    mSheetTarget = nullptr;
    mSheetTargetGuard.clear();
    mSheetTargetIsObject = false;
    if (mWindow) {
        mWindow->hide();
        // Detach from the parent so the shared window does not die with it.
        mWindow->setParent(nullptr, mWindow->windowFlags());
    }
    // Every end of the sheet passes here (OK, Cancel, Clear, closed, parent destroyed). The
    // grabs come back before the target hears the result, so that it registers its new
    // combination against the others as they are.
    if (mSheetSuspendsHotKeys) {
        mSheetSuspendsHotKeys = false;
        PTHotKeyCenter::sharedCenter()->resumeAll();
    }
    if (target && !targetGone)
        target->hotKeySheetDidEndWithReturnCode(returnCode == Accepted ? Accepted : Cancelled);
}

void PTKeyComboPanel::endWithCode(int code)
{
    if (mWindow)
        mWindow->done(code); // ends exec() of a modal run, or finished() of a sheet
}

void PTKeyComboPanel::ok(QObject *)
{
    endWithCode(Accepted);
}

void PTKeyComboPanel::cancel(QObject *)
{
    endWithCode(Cancelled);
}

void PTKeyComboPanel::clear(QObject *)
{
    setKeyCombo(PTKeyCombo::clearKeyCombo());
}

void PTKeyComboPanel::noteKeyBroadcast(PTKeyBroadcaster *sender, const PTKeyCombo &keyCombo)
{
    if (!mWindow || sender != mUi->mKeyBcaster)
        return; // only the panel's own broadcaster is heard
    // Pressed alone, the keys every dialog knows end the panel as they do elsewhere; with a
    // modifier held they are a combination like any other. The function-key bit that Forward
    // Delete carries is no modifier the user holds.
    if ((keyCombo.modifiers() & ~PTKeyCombo::kFunctionKey) == 0) {
        switch (keyCombo.keyCode()) {
        case kEscapeKey:
            cancel();
            return;
        case kBackspaceKey:
        case kForwardDeleteKey:
            clear();
            return;
        case kReturnKey:
        case kKeypadEnterKey:
            ok();
            return;
        default:
            break;
        }
    }
    // A refused press keeps what the field showed: a slip of the finger must not cost the
    // combination the binding had.
    const QString refused = refusal(keyCombo);
    if (!refused.isEmpty()) {
        showProblem(refused, mClash);
        return;
    }
    setKeyCombo(keyCombo);
}
