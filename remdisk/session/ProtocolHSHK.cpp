#include "session/ProtocolHSHK.h"

#include <cstdlib>
#include <cstring>

#include "foundation/ZInteger.h"
#include "foundation/ZTrace.h"

namespace {
const char* const RECEIVE = "ProtocolHSHK::receiveSessionSetup";
const int SETUP_TYPE = 0x8100;
const int REQUEST_TYPE = 0x0100;
const int FIXED_HEADER = 10;        // magic, length, type
const int FIXED_FIELDS = 21;        // up to and including the random data length
}  // namespace

const char* const ProtocolHSHK::BAD_SIGNATURE = "Protocol error, bad packet signature.";
const char* const ProtocolHSHK::BAD_TYPE = "Protocol error, expecting packet of with type id 0x8100.";
const char* const ProtocolHSHK::BAD_LENGTH = "Protocol error, bad packet length.";

ProtocolHSHK::ProtocolHSHK(const char* h, int p)
    : magic{'H', 'S', 'H', 'K'}, host(nullptr), port(static_cast<unsigned short>(p)), silent(false),
      randomData(new unsigned char[RANDOM_LENGTH]), randomDataLength(RANDOM_LENGTH), reserved1(0),
      reserved2(0), connectionCapabilities(CAP_PLAIN | CAP_TLS), socket(nullptr) {
    const char* name = h ? h : "";
    host = new char[std::strlen(name) + 1];
    std::strcpy(host, name);
    generateRandomBytes(randomData, RANDOM_LENGTH);
}

ProtocolHSHK::~ProtocolHSHK() {
    ZTRACE(1, "%s Destructor called\n", "ProtocolHSHK:");
    delete[] randomData;
    delete[] host;
}

void ProtocolHSHK::generateRandomBytes(unsigned char* buf, unsigned char count) {
    for (int i = 0; i < count; i += 4) {
        unsigned int v = static_cast<unsigned int>(std::rand());
        for (int k = 0; k < 4 && i + k < count; ++k)
            buf[i + k] = static_cast<unsigned char>(v >> (8 * k));
    }
}

void ProtocolHSHK::releaseSocket() {
    if (socket) {
        socket->close();
        delete socket;
        socket = nullptr;
    }
}

ZSocket* ProtocolHSHK::getSocket(int sessionType, long) {
    ZTRACE(1, "%s called\n", "ProtocolHSHK::getSocket");
    unsigned char random[RANDOM_LENGTH];
    generateRandomBytes(random, RANDOM_LENGTH);
    // A socket of an earlier call belongs to its caller and is left alone.
    socket = new ZSocket(host, port, silent);
    try {
        sendSessionRequest(static_cast<unsigned char>(sessionType), random, RANDOM_LENGTH);
        ZSocket* result = receiveSessionSetup();
        if (!result)
            releaseSocket();  // nothing usable granted: do not leave the connection open
        return result;        // now the caller's; closeConnection can still close it
    } catch (...) {
        releaseSocket();
        throw;
    }
}

void ProtocolHSHK::sendSessionRequest(unsigned char sessionType, unsigned char* random, unsigned char count) {
    ZTRACE(1, "%s called\n", "ProtocolHSHK::sendSessionRequest");
    if (!socket)
        return;
    int n = count < RANDOM_LENGTH ? count : RANDOM_LENGTH;
    socket->write(reinterpret_cast<const unsigned char*>(magic), 4);
    socket->writeInt(REQUEST_LENGTH);
    socket->writeShort(REQUEST_TYPE);
    socket->writeShort(0);
    socket->writeByte(sessionType);
    socket->writeByte(reserved1);
    socket->writeByte(reserved2);
    socket->writeByte(0);
    socket->writeInt(connectionCapabilities);
    socket->writeByte(RANDOM_LENGTH);
    if (n > 0 && random)
        socket->write(random, n);
    for (int i = random ? n : 0; i < RANDOM_LENGTH; ++i)
        socket->writeByte(0);
}

void ProtocolHSHK::readSessionSetup(ZInputStream& in, HSHKSetupResponse& out) {
    unsigned char head[FIXED_HEADER];
    if (in.readFully(head, 0, 4) == -1 || std::memcmp(head, "HSHK", 4) != 0)
        throw BAD_SIGNATURE;
    int length = 0;
    short type = 0;
    if (in.readInt(length) == -1 || in.readShort(type) == -1 ||
        static_cast<unsigned short>(type) != SETUP_TYPE)
        throw BAD_TYPE;
    if (length < FIXED_FIELDS || length > MAX_RESPONSE_LENGTH)
        throw BAD_LENGTH;

    // Offsets below are those of the whole packet; the body starts at offset 10.
    unsigned char body[MAX_RESPONSE_LENGTH - FIXED_HEADER];
    if (in.readFully(body, 0, length - FIXED_HEADER) == -1)
        throw BAD_LENGTH;
    int n = body[20 - FIXED_HEADER];
    if (FIXED_FIELDS + n > length)
        throw BAD_LENGTH;
    out.capabilities = ZInteger::decodeInt(body, 14 - FIXED_HEADER);
    out.sessionPort = static_cast<unsigned short>(ZInteger::decodeShort(body, 18 - FIXED_HEADER));
    out.randomDataLength = n;
    std::memcpy(out.randomData, body + (FIXED_FIELDS - FIXED_HEADER), n);
}

ZSocket* ProtocolHSHK::receiveSessionSetup() {
    ZTRACE(1, "%s called\n", RECEIVE);
    if (!socket)
        return nullptr;
    HSHKSetupResponse setup;
    readSessionSetup(*socket, setup);

    if (setup.randomDataLength != 0) {
        delete[] randomData;
        randomData = new unsigned char[setup.randomDataLength];
        std::memcpy(randomData, setup.randomData, setup.randomDataLength);
        randomDataLength = static_cast<unsigned char>(setup.randomDataLength);
    }
    if (setup.capabilities == 0)
        return nullptr;
    if (setup.capabilities & CAP_PLAIN) {
        connectionCapabilities = CAP_PLAIN;
    } else if (setup.capabilities & CAP_TLS) {
        connectionCapabilities = CAP_TLS;
    } else {
        ZTRACE(0, "%s Unsupported connection type requested. capabilities=%i\n", RECEIVE, setup.capabilities);
        return nullptr;
    }
    ZTRACE(1, "%s capabilities=%i\n", RECEIVE, setup.capabilities);

    ZSocket* session = socket;
    if (setup.sessionPort != 0) {
        session = new ZSocket(host, setup.sessionPort);
        if (session->getSocketState() != ZSocket::CONNECTED) {
            // The non-silent constructor reports a socket it could not create and returns.
            delete session;
            throw "Unable to connect.";
        }
    }
    try {
        if (connectionCapabilities == CAP_TLS) {
            ZTRACE(0, "%s SSL Connection setup\n", RECEIVE);
            session->setSSLConnection(session->sslConnect());
        }
    } catch (...) {
        if (session != socket) {
            session->close();
            delete session;
        }
        throw;
    }
    if (session != socket) {
        // The setup connection has served its purpose once the session connection is up.
        releaseSocket();
        socket = session;
    }
    ZTRACE(1, "%s session setup complete.\n", RECEIVE);
    return socket;
}

void ProtocolHSHK::closeConnection() {
    ZTRACE(1, "%s called\n", "ProtocolHSHK::closeConnection");
    if (socket)
        socket->close();
}
