// Controller's answer to the login (0x8100): status 0 is success.
#pragma once

#include <string>

#include "protocol/MEDPPacket.h"

class LoginResponse : public MEDPPacket {
public:
    LoginResponse();

    std::string getDisplayMessage() override { return "Login Response"; }
    // Status, flags, name length and name (the name is cut at 255 bytes).
    int getPacketLength() override;
    unsigned char* encodePayload() override;
    // Reads status and flags, and the name as far as the payload holds it.
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    int getLoginStatus() const { return loginStatus; }
    int getFlags() const { return flags; }
    void setLoginStatus(int v) { loginStatus = v & 0xFF; }
    void setFlags(int v) { flags = v & 0xFF; }
    void setUserName(const std::string& name) { userName = name.substr(0, 255); }
    const std::string& getUserName() const { return userName; }

private:
    int loginStatus;
    int flags;
    std::string userName;
};
