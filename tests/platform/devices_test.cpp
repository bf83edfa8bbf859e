// The device manager stand-in and the message boxes' handler.

#include "m716/platform/devices.h"

#include <gtest/gtest.h>

#include <vector>

#include "m716/platform/message_box.h"
#include "m716/platform/registry.h"
#include "support/registry_faults.h"
#include "support/temp_registry.h"

namespace m716::platform {
namespace {

class Devices : public test::RegistryTest {
 protected:
  // Declares a driver under Drivers\<name> and activates it.
  DeviceHandle activate(const std::string& name, const std::string& prefix, std::uint32_t index,
                        std::uint32_t flags = 0) {
    RegKey driver;
    EXPECT_EQ(registry().createKey("Drivers\\" + name, driver), RegStatus::ok);
    driver.setString("Prefix", prefix);
    driver.setDword("Index", index);
    driver.setDword("Flags", flags);
    DeviceHandle device = 0;
    EXPECT_TRUE(activateDevice("Drivers\\" + name, device)) << lastError();
    return device;
  }

  bool isActive(const char* callName) {
    DeviceFile file;
    return openDevice(callName, file);
  }
};

TEST_F(Devices, AnActivatedDeviceIsOpenedByItsCallNameUntilItIsDeactivated) {
  const DeviceHandle first = activate("Serial", "COM", 1);
  const DeviceHandle second = activate("Trelix", "TRX", 2);
  EXPECT_NE(first, second);

  DeviceFile file;
  ASSERT_TRUE(openDevice("trx2:", file));
  DeviceInformation info;
  info.size = 1000;
  EXPECT_FALSE(deviceInformation(file, info));
  EXPECT_EQ(lastError(), kErrorInvalidParameter);
  info.size = sizeof info;
  ASSERT_TRUE(deviceInformation(file, info));
  EXPECT_EQ(info.device, second);
  EXPECT_EQ(std::u16string(info.legacyName), u"TRX2:");
  EXPECT_EQ(std::u16string(info.deviceKey), u"Drivers\\Trelix");
  EXPECT_EQ(std::u16string(info.deviceName), u"$device\\TRX2");

  DeviceHandle again = 0;
  EXPECT_FALSE(activateDevice("Drivers\\Trelix", again));
  EXPECT_EQ(lastError(), kErrorAlreadyExists);

  ASSERT_TRUE(deactivateDevice(second));
  EXPECT_FALSE(isActive("TRX2:"));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_TRUE(isActive("COM1:"));
  EXPECT_FALSE(deactivateDevice(second));
  EXPECT_EQ(lastError(), kErrorInvalidHandle);
}

TEST_F(Devices, ARefusedDeactivationLeavesTheDeviceActive) {
  const DeviceHandle fixed = activate("Fixed", "FIX", 1, kDeviceNoUnload);
  EXPECT_FALSE(deactivateDevice(fixed));
  EXPECT_EQ(lastError(), kErrorAccessDenied);

  const DeviceHandle device = activate("Trelix", "TRX", 1);
  failRegistryWrite(1);
  EXPECT_FALSE(deactivateDevice(device));
  EXPECT_EQ(lastError(), kErrorGeneralFailure);
  EXPECT_TRUE(isActive("FIX1:"));
  EXPECT_TRUE(isActive("TRX1:"));
}

TEST(MessageBoxes, GoToTheHandlerPutInUntilItIsTakenOut) {
  std::vector<Message> shown;
  setMessageHandler([&](const Message& message) {
    shown.push_back(message);
    return MessageAnswer::cancel;
  });
  EXPECT_EQ(showMessage("Caption", "Text", MessageButtons::okCancel), MessageAnswer::cancel);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Caption");
  EXPECT_EQ(shown[0].text, "Text");
  EXPECT_EQ(shown[0].buttons, MessageButtons::okCancel);

  setMessageHandler({});
  testing::internal::CaptureStderr();
  EXPECT_EQ(showMessage("Caption", "Text"), MessageAnswer::ok);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Caption: Text\n");
  EXPECT_EQ(shown.size(), 1u);
}

}  // namespace
}  // namespace m716::platform
