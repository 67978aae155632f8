// Connection set-up exchange (HSHK) run before any MEDP traffic: the client offers its
// connection capabilities and random data, the controller grants a connection type, may
// name a separate session port, and sends random data of its own.
#pragma once

#include "foundation/ZInputStream.h"
#include "foundation/ZSocket.h"

// The fields of a controller's session setup response that the client uses.
struct HSHKSetupResponse {
    int capabilities = 0;
    int sessionPort = 0;  // 0: keep using the setup connection
    int randomDataLength = 0;
    unsigned char randomData[255] = {};
};

class ProtocolHSHK {
public:
    static constexpr int CAP_PLAIN = 1;
    static constexpr int CAP_TLS = 4;
    static constexpr int REQUEST_LENGTH = 53;
    static constexpr int RANDOM_LENGTH = 32;
    // Longest response accepted: 21 bytes of fields, up to 255 random bytes, and room for
    // fields a later controller may append (read and ignored).
    static constexpr int MAX_RESPONSE_LENGTH = 4096;

    static const char* const BAD_SIGNATURE;
    static const char* const BAD_TYPE;
    static const char* const BAD_LENGTH;

    ProtocolHSHK(const char* host, int port);
    // Never closes or releases the socket: it belongs to the caller of getSocket.
    virtual ~ProtocolHSHK();
    ProtocolHSHK(const ProtocolHSHK&) = delete;
    ProtocolHSHK& operator=(const ProtocolHSHK&) = delete;

    void setSilent(bool s) { silent = s; }
    virtual void setConnectionCapabilities(int caps) { connectionCapabilities = caps; }
    int getConnectionCapabilities() const { return connectionCapabilities; }

    // The whole exchange. Returns the connected socket (the caller owns it), or null when
    // the controller grants no usable connection type. Throws the socket's and the
    // protocol's C-string errors; on any failure the connections it opened are closed and
    // released. The timeout is not applied.
    ZSocket* getSocket(int sessionType, long timeout);
    virtual void sendSessionRequest(unsigned char sessionType, unsigned char* random, unsigned char count);
    virtual ZSocket* receiveSessionSetup();
    virtual void closeConnection();
    // count pseudo-random bytes from rand(), four per value, least significant first.
    virtual void generateRandomBytes(unsigned char* buf, unsigned char count);

    const unsigned char* getRandomData() const { return randomData; }
    int getRandomDataLength() const { return randomDataLength; }

    // Reads one session setup response and checks signature, type and length; nothing
    // beyond the announced length is read, and no field is taken from outside it.
    static void readSessionSetup(ZInputStream& in, HSHKSetupResponse& out);

private:
    void releaseSocket();

    char magic[4];
    char* host;
    unsigned short port;
    bool silent;
    unsigned char* randomData;
    unsigned char randomDataLength;
    unsigned char reserved1;
    unsigned char reserved2;
    int connectionCapabilities;
    ZSocket* socket;
};
