// Root of the device classes: local media and the controller's virtual drives.
#pragma once

#include <string>

class IODevice {
public:
    virtual int getId() = 0;
    virtual int getType() = 0;
    virtual std::string getDisplayableDetails() = 0;
    virtual std::string getDisplayableType() = 0;

protected:
    ~IODevice() = default;
};
