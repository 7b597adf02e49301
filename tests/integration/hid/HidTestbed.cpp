// umockdev helpers for the hidraw tests; see HidTestbed.h.
#include "HidTestbed.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace tarvex::test {

EmulatedHidraw::EmulatedHidraw() : mHandler(umockdev_ioctl_base_new())
{
    g_signal_connect(mHandler, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(mHandler, "handle-write", G_CALLBACK(onWrite), this);
}

EmulatedHidraw::~EmulatedHidraw()
{
    releaseHeld(EIO);
    g_signal_handlers_disconnect_by_data(mHandler, this);
    g_object_unref(mHandler);
}

gboolean EmulatedHidraw::onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer p)
{
    auto *self = static_cast<EmulatedHidraw *>(p);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    std::lock_guard lock(self->mMutex);
    if (_IOC_TYPE(request) != 'H' || _IOC_NR(request) != 0x0A) // HIDIOCGINPUT(len)
        return FALSE;
    if (!self->mAnswer) {
        self->mHeld.push_back(static_cast<UMockdevIoctlClient *>(g_object_ref(client)));
        return TRUE;
    }
    const int length = static_cast<int>(_IOC_SIZE(request));
    UMockdevIoctlData *data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, nullptr);
    const Bytes &reply = self->mReply;
    const int n = std::min<int>(length, static_cast<int>(reply.size()));
    if (!data || (n > 0 && data->data[0] != reply[0])) { // no such report
        umockdev_ioctl_client_complete(client, -1, data ? EIO : EFAULT);
        return TRUE;
    }
    std::copy_n(reply.begin(), n, data->data);
    umockdev_ioctl_client_complete(client, n, 0);
    return TRUE;
}

gboolean EmulatedHidraw::onWrite(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer p)
{
    auto *self = static_cast<EmulatedHidraw *>(p);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    {
        std::lock_guard lock(self->mMutex);
        self->mWrites.emplace_back(arg->data, arg->data + arg->data_len);
    }
    const int takes = self->mWriteTakes;
    umockdev_ioctl_client_complete(client, takes > 0 ? std::min<long>(takes, long(arg->data_len)) : long(arg->data_len), 0);
    return TRUE;
}

std::vector<Bytes> EmulatedHidraw::writes() const
{
    std::lock_guard lock(mMutex);
    return mWrites;
}

void EmulatedHidraw::setInputReply(Bytes reply)
{
    std::lock_guard lock(mMutex);
    mReply = std::move(reply);
}

void EmulatedHidraw::setAnswerInput(bool answer)
{
    std::lock_guard lock(mMutex);
    mAnswer = answer;
}

void EmulatedHidraw::releaseHeld(int error)
{
    std::vector<UMockdevIoctlClient *> held;
    {
        std::lock_guard lock(mMutex);
        held.swap(mHeld);
    }
    for (UMockdevIoctlClient *client : held) {
        umockdev_ioctl_client_complete(client, -1, error);
        g_object_unref(client);
    }
}

std::vector<std::string> HidTestbed::addChip(const ChipLayout &chip, const std::vector<EmulatedHidraw *> &emulation)
{
    const auto hex4 = [](unsigned v) {
        char text[8];
        std::snprintf(text, sizeof text, "%04X", v);
        return std::string(text);
    };
    // Usage page 1, usage 0, one 7-byte input and output report with ID 9.
    const std::string descriptor =
        chip.descriptorHex.empty() ? "05010900A1018509150026FF00750895070900810209009102C0" : chip.descriptorHex;
    std::ostringstream tree;
    std::vector<std::string> hidrawPaths;
    for (std::size_t i = 0; i < chip.hidrawNumbers.size(); ++i) {
        const std::string number = std::to_string(chip.hidrawNumbers[i]);
        const std::string hidName = "0003:" + hex4(chip.vendor) + ":" + hex4(chip.product) + "." + hex4(chip.hidrawNumbers[i] + 1);
        const std::string hid = "/devices/virtual/misc/uhid/" + hidName;
        tree << "P: " << hid << "\nE: SUBSYSTEM=hid\nE: HID_ID=0003:0000" << hex4(chip.vendor) << ":0000" << hex4(chip.product)
             << "\nE: HID_NAME=Tarvex test chip\nE: HID_UNIQ=" << chip.serial << "\nE: HID_PHYS=usb-0000:00:14.0-"
             << chip.usbPort << "/input" << i << "\nH: report_descriptor=" << descriptor << "\n\n";
        const std::string hidraw = hid + "/hidraw/hidraw" + number;
        tree << "P: " << hidraw << "\nN: hidraw" << number << "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/hidraw" << number
             << "\nL: device=../../../" << hidName << "\n\n";
        hidrawPaths.push_back("/sys" + hidraw);
        // The handler must be in place before the node exists, or early requests miss it.
        if (i < emulation.size() && emulation[i]) {
            EXPECT_TRUE(umockdev_testbed_attach_ioctl(mBed, ("/dev/hidraw" + number).c_str(), emulation[i]->handler(), nullptr));
        }
    }
    EXPECT_TRUE(umockdev_testbed_add_from_string(mBed, tree.str().c_str(), nullptr));
    return hidrawPaths;
}

void HidTestbed::removeInterface(const std::string &hidrawSyspath)
{
    umockdev_testbed_uevent(mBed, hidrawSyspath.c_str(), "remove");
    umockdev_testbed_remove_device(mBed, hidrawSyspath.c_str());
    umockdev_testbed_remove_device(mBed, hidrawSyspath.substr(0, hidrawSyspath.rfind("/hidraw/")).c_str()); // hid parent
    // umockdev leaves the /dev node behind; the kernel would not.
    gchar *root = umockdev_testbed_get_root_dir(mBed);
    ::unlink((std::string(root) + "/dev/" + hidrawSyspath.substr(hidrawSyspath.rfind('/') + 1)).c_str());
    g_free(root);
}

int HidTestbed::openTerminalDescriptors()
{
    int count = 0;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        count += std::filesystem::read_symlink(entry.path(), linkError).string().rfind("/dev/pts/", 0) == 0;
    }
    return count;
}

} // namespace tarvex::test
