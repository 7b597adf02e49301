// Fixtures shared by the usb tests.
#include "UsbTestSupport.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

StderrCapture::StderrCapture()
{
    std::fflush(stderr);
    mFile = std::tmpfile();
    mSavedFd = dup(2);
    dup2(fileno(mFile), 2);
}

StderrCapture::~StderrCapture()
{
    text();
}

std::string StderrCapture::text()
{
    if (!mFile)
        return {};
    std::fflush(stderr);
    dup2(mSavedFd, 2);
    close(mSavedFd);
    std::string result;
    std::rewind(mFile);
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, mFile)) > 0)
        result.append(buffer, n);
    std::fclose(mFile);
    mFile = nullptr;
    return result;
}

void UsbLayerTest::SetUp()
{
    IOWarriorSetPlatform(&sim);
    IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
    IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
    ASSERT_EQ(IOWarriorInit(), 0);
}

void UsbLayerTest::TearDown()
{
    deliverNotifications();
    IOWarriorClearInterfaceList();
    IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
    IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
    IOWarriorSetDeviceCallback(nullptr, nullptr);
    IOWarriorSetPlatform(nullptr);
}

void UsbLayerTest::deliverNotifications()
{
    QCoreApplication::processEvents();
}

std::vector<IOWarriorListNodeStruct *> UsbLayerTest::nodes()
{
    std::vector<IOWarriorListNodeStruct *> result;
    for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next)
        result.push_back(node);
    return result;
}

std::vector<int> UsbLayerTest::kinds()
{
    std::vector<int> result;
    for (IOWarriorListNodeStruct *node : nodes())
        result.push_back(node->interfaceKind);
    return result;
}
