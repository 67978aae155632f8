#include "protocol/LoginMessage.h"

#include <algorithm>
#include <cstring>

namespace {
const int NAME_AREA = 97;
const int AUTH_OFFSET = 97;
const int RIP_OFFSET = 129;
const int PORT_OFFSET = 137;
const int CHANNEL_OFFSET = 138;
const int PREEMPT_OFFSET = 140;
}  // namespace

LoginMessage::LoginMessage()
    : MEDPPacket(LOGIN), userName("root"), authData(nullptr), authLength(0), ripId(),
      portId(0), channelId(0), preempt(false) {}

LoginMessage::~LoginMessage() { delete[] authData; }

void LoginMessage::setCredentials(const std::string& user, const unsigned char* data, int length) {
    userName = user;
    delete[] authData;
    authData = new unsigned char[AUTH_LENGTH]();
    int n = std::max(0, std::min(length, AUTH_LENGTH));
    if (data && n > 0)
        std::memcpy(authData, data, n);
    authLength = AUTH_LENGTH;
}

unsigned char* LoginMessage::encodePayload() {
    if (userName.size() > static_cast<size_t>(MAX_USER_NAME))
        throw "Invalid username specified for login request.";
    if (authLength != AUTH_LENGTH || !authData)
        throw "Invalid auth data length in login request.";
    unsigned char* buf = new unsigned char[PAYLOAD_LENGTH]();
    // The length goes in first and the name is then written over it from offset 1, so on
    // the wire offset 0 is 0 and only names shorter than 3 characters leave the length in
    // offset 3. Controllers expect exactly this.
    encodeInt(buf, 0, static_cast<int>(userName.size()));
    std::memcpy(buf + 1, userName.data(), userName.size());
    std::memcpy(buf + AUTH_OFFSET, authData, AUTH_LENGTH);
    std::memcpy(buf + RIP_OFFSET, ripId, sizeof ripId);
    buf[PORT_OFFSET] = static_cast<unsigned char>(portId);
    buf[CHANNEL_OFFSET] = static_cast<unsigned char>(channelId);
    buf[PREEMPT_OFFSET] = preempt ? 1 : 0;
    return buf;
}

void LoginMessage::decode(unsigned char* header, unsigned char* payload, int length) {
    MEDPPacket::decode(header, payload, length);
    requirePayload(length, PAYLOAD_LENGTH);
    // The name runs from offset 1 to the first zero byte. A two-letter name is followed by
    // its length (2) in offset 3, left from the length written first; drop that byte.
    size_t n = 0;
    while (1 + n < static_cast<size_t>(NAME_AREA) && payload[1 + n] != 0)
        ++n;
    if (n == 3 && payload[3] == 2)
        n = 2;
    userName.assign(reinterpret_cast<const char*>(payload + 1), n);
    delete[] authData;
    authData = new unsigned char[AUTH_LENGTH];
    std::memcpy(authData, payload + AUTH_OFFSET, AUTH_LENGTH);
    authLength = AUTH_LENGTH;
    std::memcpy(ripId, payload + RIP_OFFSET, sizeof ripId);
    portId = payload[PORT_OFFSET];
    channelId = payload[CHANNEL_OFFSET];
    preempt = payload[PREEMPT_OFFSET] != 0;
}
