// Client login request (0x0100): user name and a 32-byte credential block.
#pragma once

#include <string>

#include "protocol/MEDPPacket.h"

class LoginMessage : public MEDPPacket {
public:
    static constexpr int PACKET_LENGTH = 153;
    static constexpr int PAYLOAD_LENGTH = PACKET_LENGTH - HEADER_SIZE;
    static constexpr int AUTH_LENGTH = 32;
    static constexpr int MAX_USER_NAME = 95;  // the name area holds the name from offset 1 to 96

    LoginMessage();
    ~LoginMessage() override;

    std::string getDisplayMessage() override { return "Login Request"; }
    int getPacketLength() override { return PACKET_LENGTH; }
    // Throws "Invalid username specified for login request." for a name of 96 or more
    // characters, then "Invalid auth data length in login request." unless credentials of
    // 32 bytes are set.
    unsigned char* encodePayload() override;
    // Controller side: reads the name, credential block and the trailing fields.
    void decode(unsigned char* header, unsigned char* payload, int packetLength) override;

    // Stores the user name and copies up to 32 bytes of data into a zero-filled 32-byte
    // block; longer data is cut at 32 bytes.
    void setCredentials(const std::string& user, const unsigned char* data, int length);
    const std::string& getUserName() const { return userName; }
    const unsigned char* getAuthData() const { return authData; }
    int getAuthLength() const { return authLength; }
    const unsigned char* getRipId() const { return ripId; }
    int getPort() const { return portId; }
    int getChannel() const { return channelId; }
    bool getPreempt() const { return preempt; }
    void setPortId(int v) { portId = v; }
    void setChannelId(int v) { channelId = v; }
    void setPreempt(bool v) { preempt = v; }
    void setSharedMode(int) {}

private:
    std::string userName;
    unsigned char* authData;
    int authLength;
    unsigned char ripId[8];
    int portId;
    int channelId;
    bool preempt;
};
