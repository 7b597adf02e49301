// Message-box alerts and the switch that lets tests answer them instead.
#include "AlertPresenter.h"

#include "Translation.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVariant>
#include <utility>

namespace {
AlertPresenter *gInstalledPresenter = nullptr;
QPointer<QWidget> gParentWindow;
QList<QPointer<QMessageBox>> gOpenBoxes; // innermost last
constexpr char kAnswer[] = "tarvexAnswer";
} // namespace

AlertPresenter &AlertPresenter::current()
{
    static MessageBoxAlertPresenter messageBoxes;
    return gInstalledPresenter != nullptr ? *gInstalledPresenter : messageBoxes;
}

void AlertPresenter::inform(const QString &message)
{
    current().runAlert(QStringLiteral("Tarvex CC"), message, tx("OK"), QString());
}

void AlertPresenter::install(AlertPresenter *presenter)
{
    gInstalledPresenter = presenter;
}

void AlertPresenter::setParentWindow(QWidget *window)
{
    gParentWindow = window;
}

void AlertPresenter::answerOpenAlerts(AlertPresenter &presenter)
{
    for (const QPointer<QMessageBox> &box : std::as_const(gOpenBoxes)) {
        if (!box || box->property(kAnswer).isValid())
            continue;
        const QList<QAbstractButton *> buttons = box->buttons();
        const QString alternate = buttons.size() > 1 ? buttons.at(1)->text() : QString();
        box->setProperty(kAnswer, presenter.runAlert(box->windowTitle(), box->text(), buttons.value(0)->text(), alternate));
        box->done(0);
    }
}

QWidget *AlertPresenter::parentWindow()
{
    return gParentWindow.data();
}

int MessageBoxAlertPresenter::runAlert(const QString &title, const QString &message,
                                       const QString &defaultButton,
                                       const QString &alternateButton)
{
    QMessageBox box(parentWindow());
    box.setWindowTitle(title);
    box.setIcon(alternateButton.isEmpty() ? QMessageBox::Information : QMessageBox::Question);
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    QPushButton *defaultChoice = box.addButton(defaultButton, QMessageBox::AcceptRole);
    if (!alternateButton.isEmpty())
        box.addButton(alternateButton, QMessageBox::RejectRole);
    box.setDefaultButton(defaultChoice);
    // A tray program has no active window: bring the box to the front or it hides behind
    // whatever the user is working in.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    gOpenBoxes.append(&box);
    box.exec();
    gOpenBoxes.removeAll(&box);
    const QVariant answered = box.property(kAnswer);
    if (answered.isValid())
        return answered.toInt();
    return box.clickedButton() == defaultChoice ? 1 : 0;
}
