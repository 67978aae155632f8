// What the updater reports: the versions table before flashing, the XML documents for an
// update-package framework, and the final status line.
#include "cli/console.h"
#include "image/devices.h"
#include "report/system_info.h"
#include "report/update_package.h"
#include "report/versions_display.h"
#include "update/fw_update_param.h"
#include "upflash_fixtures.h"

#include <gtest/gtest.h>

namespace {

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        upftest::resetModules();
        kup = CKestrelUpdatePackage::NewKUP();
        ASSERT_NE(kup, nullptr);
        kup->Reset();
    }
    void TearDown() override { upftest::resetModules(); }

    // The controller at 1.30 build 258, bootloader 1.2.1A, and an image 1.40 build 12 that
    // carries bootloader 2.0.1A.
    void controllerAndImage(bool bootloaderKnown, bool withImage) {
        DEVICES_INFORMATION& d = devices_information[0];
        d.state = DEV_FLASH;
        const uint8_t current[4] = {1, 30, 1, 2};
        std::copy(current, current + 4, d.currentVersion);
        const uint8_t standby[4] = {1, 20, 0, 7};
        std::copy(standby, standby + 4, d.standbyVersion);
        d.bootloaderKnown = bootloaderKnown ? 1 : 0;
        const uint8_t boot[8] = {1, 1, 0, 0, 1, 2, 0x1A, 0};
        std::copy(boot, boot + 8, d.bootloaderVersion);
        if (withImage) {
            read_image_header(upftest::makeHeader(upftest::ImageFields()).data());
            d.image = &image_header;
        } else {
            d.image = nullptr;
        }
    }

    std::string table() {
        upftest::ConsoleCapture cap;
        BIN_FILE_INFO info;
        bin_file_info_init(&info);
        info.devices = devices_information;
        display_devices_information(&info);
        return cap.out();
    }

    CKestrelUpdatePackage* kup = nullptr;
};

TEST_F(ReportTest, VersionsTableLayoutsFollowTheBootloaderAndTheMode) {
    controllerAndImage(true, true);
    EXPECT_EQ(table(),
              "   Firmware Version                                  Current      Image        \n"
              "    Vantro ................... Firmware Version      1.30         1.40         \n"
              "                               Firmware Revision     258          12           \n"
              "                               Bootloader version    1.2.1A       2.0.1A       \n"
              "\n");

    controllerAndImage(false, true);
    EXPECT_EQ(table(),
              "   Firmware Version                                      Current   Image     \n"
              "    Vantro ......................... Firmware Version    1.30      1.40      \n"
              "                                     Firmware Revision   258       12        \n"
              "\n");

    // An image without bootloader versions shows N/A in their place.
    controllerAndImage(true, true);
    upftest::ImageFields plain;
    plain.partitionCount = 2;
    read_image_header(upftest::makeHeader(plain).data());
    EXPECT_NE(table().find("   Bootloader version    1.2.1A        N/A         \n"), std::string::npos);

    set_rollbackMode(1);
    controllerAndImage(true, false);
    EXPECT_EQ(table(),
              "   Firmware Version                                  Current      Standby      \n"
              "    Vantro ................... Firmware Version      1.30         1.20         \n"
              "                               Firmware Revision     258          7            \n"
              "\n");
    set_rollbackMode(0);

    // The image could not be read.
    controllerAndImage(true, false);
    EXPECT_EQ(table(),
              "   Firmware Version                                  Current      Image        \n"
              "    Vantro ................... Firmware Version      1.30          N/A         \n"
              "                               Firmware Revision     258           N/A         \n"
              "                               Bootloader version    1.2.1A        N/A         \n"
              "\n");

    // A controller that did not answer is left out, and so is the closing blank line.
    controllerAndImage(false, true);
    devices_information[0].state = DEV_NO_RESPONSE;
    EXPECT_EQ(table(), "   Firmware Version                                      Current   Image     \n");
}

TEST_F(ReportTest, DisplayInformationAnswersByDisplayState) {
    controllerAndImage(false, true);
    BIN_FILE_INFO info;
    bin_file_info_init(&info);
    const struct {
        int state;
        int result;
        bool shown;
    } cases[] = {{DISPLAY_NORMAL, 0, true},       {DISPLAY_DEBUG, 0, true},          {DISPLAY_QUIET, 0, false},
                 {DISPLAY_REVISION, 22, true},    {DISPLAY_REVISION_DEBUG, 22, true}, {DISPLAY_XML, 22, false}};
    for (const auto& c : cases) {
        upftest::ConsoleCapture cap;
        set_display_state(c.state);
        EXPECT_EQ(display_information(&info, 0), c.result) << c.state;
        EXPECT_EQ(!cap.out().empty(), c.shown) << c.state;
    }
}

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n";

std::string printed(CKestrelUpdatePackage* kup, int code) {
    upftest::ConsoleCapture cap;
    set_display_state(DISPLAY_XML); // the documents bypass the console routing
    kup->Print(code);
    return cap.out();
}

TEST_F(ReportTest, InventoryDocument) {
    kup->SetXmlInventoryMode(true);
    EXPECT_EQ(printed(kup, 29), kDecl + "<SVMInventory lang=\"en\"/>\n");
    EXPECT_EQ(printed(kup, 0), kDecl + "<SVMInventory lang=\"en\">\n</SVMInventory>\n");
    ASSERT_EQ(CKestrelUpdatePackage::AddDevice(0, devices_information[0].displayName, 1, 30), 0);
    ASSERT_EQ(CKestrelUpdatePackage::AddDevice(1, "Other", 200, 5), 0);
    EXPECT_EQ(printed(kup, 0), kDecl +
                                   "<SVMInventory lang=\"en\">\n"
                                   "   <Device componentID=\"20137\" display=\"Vantro6\">\n"
                                   "      <Application componentType=\"FRMW\" version=\"1.30\" display=\"Vantro6\" />\n"
                                   "   </Device>\n"
                                   "   <Device componentID=\"20137\" display=\"Vantro6\">\n"
                                   "      <Application componentType=\"FRMW\" version=\"0.0\" display=\"Vantro6\" />\n"
                                   "   </Device>\n"
                                   "</SVMInventory>\n");
}

TEST_F(ReportTest, ResultDocument) {
    kup->SetXmlReturnCode(true);
    // No controller answered.
    EXPECT_EQ(printed(kup, 10), kDecl +
                                    "<SVMExecution lang=\"en\">\n"
                                    "   <SPStatus result=\"false\">\n"
                                    "      <Message id=\"10\" >Device Not Found</Message>\n"
                                    "   </SPStatus>\n"
                                    "</SVMExecution>\n");
    ASSERT_EQ(CKestrelUpdatePackage::AddDevice(0, "Vantro", 1, 30), 0);
    EXPECT_EQ(printed(kup, 66),
              kDecl +
                  "<SVMExecution lang=\"en\">\n"
                  "   <Device componentID=\"20137\" display=\"Vantro6\">\n"
                  "      <Application componentType=\"FRMW\" version=\"1.30\" display=\"Vantro6\">\n"
                  "         <SPStatus result=\"false\">\n"
                  "            <Message id=\"66\" >Stop firmware update process : Image file has the same version as "
                  "current firmware</Message>\n"
                  "         </SPStatus>\n"
                  "      </Application>\n"
                  "   </Device>\n"
                  "</SVMExecution>\n");
    CKestrelUpdatePackage::FlashStatus(0, true);
    EXPECT_EQ(printed(kup, 0), kDecl +
                                   "<SVMExecution lang=\"en\">\n"
                                   "   <Device componentID=\"20137\" display=\"Vantro6\">\n"
                                   "      <Application componentType=\"FRMW\" version=\"1.30\" display=\"Vantro6\">\n"
                                   "         <SPStatus result=\"true\">\n"
                                   "            <Message id=\"0\" >Update Successful.</Message>\n"
                                   "         </SPStatus>\n"
                                   "      </Application>\n"
                                   "   </Device>\n"
                                   "</SVMExecution>\n");
    // A code above 255 is sent modulo 256, with its own text (none here).
    CKestrelUpdatePackage::FlashStatus(0, false);
    EXPECT_NE(printed(kup, 4102).find("            <Message id=\"6\" ></Message>\n"), std::string::npos);
    // Flash status of a key no component has changes nothing.
    CKestrelUpdatePackage::FlashStatus(3, true);
    EXPECT_EQ(kup->ComponentAt(0).flashed, 0);
}

TEST_F(ReportTest, ComponentsStopAtFourAndTheFinalLineShowsTheCodesText) {
    for (int i = 0; i < 4; ++i) EXPECT_EQ(kup->AddComponent(i, "Vantro", 1, static_cast<uint8_t>(i)), 0);
    EXPECT_EQ(kup->AddComponent(4, "Vantro", 1, 4), 4102);
    EXPECT_EQ(kup->ComponentCount(), 4);
    EXPECT_EQ(kup->ComponentAt(3).minor, 3);
    EXPECT_EQ(CSystemInfo::GetComponentID(), 20137);

    upftest::ConsoleCapture cap;
    CKestrelUpdatePackage::PrintStatus(0);
    CKestrelUpdatePackage::PrintStatus(27);
    CKestrelUpdatePackage::PrintStatus(12345); // a code without a text: three blanks
    EXPECT_EQ(cap.out(), "   Failed to Load Library\n   \n");
}

} // namespace
