#include "report/versions_display.h"

#include "cli/console.h"
#include "cli/result_codes.h"
#include "image/devices.h"
#include "update/fw_update_param.h"

#include <string>

namespace {

struct TableLayout {
    std::string rowFormat; // four left-aligned columns after three blanks
    size_t nameWidth;
};

TableLayout layout_for(const DEVICES_INFORMATION& controller) {
    if (controller.bootloaderKnown)
        return {format_text("   %%-28s%%-22s%%-13s%%-13s\n"), 28};
    return {format_text("   %%-34s%%-20s%%-10s%%-10s\n"), 34};
}

void row(const TableLayout& l, const std::string& a, const char* b, const std::string& c, const std::string& d) {
    display_printf(PRT_NORMAL, l.rowFormat.c_str(), a.c_str(), b, c.c_str(), d.c_str());
}

// " Vantro ........ ": the name, dots to one short of the column, one blank.
std::string name_column(const char* name, size_t width) {
    std::string text = format_text(" %s ", name);
    while (text.size() + 1 < width)
        text += '.';
    return text + ' ';
}

std::string version_text(const uint8_t v[4]) { return format_text("%u.%u", v[0], v[1]); }

std::string bootloader_text(const uint8_t b[3]) { return format_text("%X.%X.%X", b[0], b[1], b[2]); }

bool shown_state(int state) {
    return state == DEV_FOUND || state == DEV_IMAGE_MATCHED || state == DEV_FLASH || state == DEV_SAME_VERSION ||
           state == DEV_IMAGE_NEWER;
}

void rows_with_image(const TableLayout& l, const DEVICES_INFORMATION& d, const std::string& name) {
    const IMAGE_HEADER* h = d.image;
    row(l, name, "Firmware Version", version_text(d.currentVersion), format_text("%u.%u", h->major, h->minor));
    row(l, "", "Firmware Revision", format_text("%u", device_revision(d.currentVersion)),
        format_text("%u", image_revision(h)));
    if (d.bootloaderKnown)
        row(l, "", "Bootloader version", bootloader_text(&d.bootloaderVersion[4]),
            image_has_bootloader_versions(h) ? bootloader_text(h->bootloader2) : " N/A");
}

void rows_without_image(const TableLayout& l, const DEVICES_INFORMATION& d, const std::string& name) {
    const bool rollback = get_rollbackMode() != 0;
    row(l, name, "Firmware Version", version_text(d.currentVersion),
        rollback ? version_text(d.standbyVersion) : " N/A");
    row(l, "", "Firmware Revision", format_text("%u", device_revision(d.currentVersion)),
        rollback ? format_text("%u", device_revision(d.standbyVersion)) : " N/A");
    if (!rollback && d.bootloaderKnown)
        row(l, "", "Bootloader version", bootloader_text(&d.bootloaderVersion[4]), " N/A");
}

} // namespace

void display_devices_information(BIN_FILE_INFO* info) {
    DEVICES_INFORMATION* devices = info && info->devices ? info->devices : devices_information;
    const TableLayout l = layout_for(devices[0]);
    row(l, "Firmware Version", "", "Current", get_rollbackMode() ? "Standby" : "Image");
    int shown = 0;
    for (int i = 0; i < DEVICE_COUNT; ++i) {
        const DEVICES_INFORMATION& d = devices[i];
        if (!shown_state(d.state))
            continue;
        ++shown;
        const std::string name = name_column(d.displayName, l.nameWidth);
        if (d.image)
            rows_with_image(l, d, name);
        else
            rows_without_image(l, d, name);
    }
    if (shown > 0)
        display_redirection(PRT_NORMAL, "\n");
}

int display_information(BIN_FILE_INFO* info, int code) {
    (void)code;
    const int state = get_display_state();
    if (state == DISPLAY_XML)
        return RC_STOP_SUCCESS;
    display_devices_information(info);
    return state == DISPLAY_REVISION || state == DISPLAY_REVISION_DEBUG ? RC_STOP_SUCCESS : RC_SUCCESS;
}
