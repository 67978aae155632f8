// Fields shared by local media and virtual drives: id, type code, the name shown (for a local
// medium the device or file name the media provider opens) and the owning registry.
#pragma once

#include <string>

#include "devices/IODevice.h"

class DeviceManager;

class AbstractIODevice : public IODevice {
public:
    AbstractIODevice() = default;
    AbstractIODevice(DeviceManager& manager, int id, int type, const std::string& displayableType);

    int getId() override { return id; }
    int getType() override { return type; }
    std::string getDisplayableDetails() override { return displayableDetails; }
    std::string getDisplayableType() override { return displayableType; }
    virtual ~AbstractIODevice() = default;
    virtual void setDisplayableType(std::string& text) { displayableType = text; }
    virtual void setDisplayableDetails(std::string& text) { displayableDetails = text; }

    void setType(int newType) { type = newType; }
    void setDeviceManager(DeviceManager& manager) { deviceManager = &manager; }
    DeviceManager* getDeviceManager() const { return deviceManager; }

protected:
    int id = 0;
    int type = 0;
    std::string displayableType;
    std::string displayableDetails;
    DeviceManager* deviceManager = nullptr;
};
