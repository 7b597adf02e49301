// The one place the application shows modal alerts. The program installs nothing and gets
// message boxes; tests install a scripted presenter so that no test ever waits on a box.
// Texts are shown as plain text: they carry what a server, a switch or a settings file said,
// and markup in them must never restyle or hide the program's own words.
#pragma once

#include <QString>

class QWidget;

class AlertPresenter
{
public:
    virtual ~AlertPresenter() = default;

    // Shows a modal alert and returns 1 when the default button was chosen, 0 for the
    // alternate one. An empty alternateButton shows only the default button.
    virtual int runAlert(const QString &title, const QString &message,
                         const QString &defaultButton, const QString &alternateButton) = 0;

    // An informational alert: title "Tarvex CC", the message, one OK button.
    static void inform(const QString &message);

    // The presenter in use: the installed one, else the message-box presenter.
    static AlertPresenter &current();
    // Installs a presenter (not owned); null restores the message boxes.
    static void install(AlertPresenter *presenter);
    // Ends every message box open now as if `presenter` had answered it (the presenter hears
    // it too): a program on its way out does not wait for a box nobody answers.
    static void answerOpenAlerts(AlertPresenter &presenter);
    // Parent for the boxes (may be null).
    static void setParentWindow(QWidget *window);
    static QWidget *parentWindow();
};

// The presenter the program uses: a QMessageBox.
class MessageBoxAlertPresenter : public AlertPresenter
{
public:
    int runAlert(const QString &title, const QString &message, const QString &defaultButton,
                 const QString &alternateButton) override;
};
