// Message-box alerts and the switch that lets tests answer them instead.
#include "AlertPresenter.h"

#include "Translation.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {
AlertPresenter *gInstalledPresenter = nullptr;
QPointer<QWidget> gParentWindow;
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
    box.setText(message);
    QPushButton *defaultChoice = box.addButton(defaultButton, QMessageBox::AcceptRole);
    if (!alternateButton.isEmpty())
        box.addButton(alternateButton, QMessageBox::RejectRole);
    box.setDefaultButton(defaultChoice);
    // A tray program has no active window: bring the box to the front or it hides behind
    // whatever the user is working in.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return box.clickedButton() == defaultChoice ? 1 : 0;
}
