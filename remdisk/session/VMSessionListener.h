// What a virtual media session tells its application: the login result and that the
// controller's list of virtual disks changed.
#pragma once

class VMSessionListener {
public:
    virtual ~VMSessionListener() = default;
    virtual void loginResponse(int status) = 0;
    virtual void vdiskListUpdate() = 0;
};
