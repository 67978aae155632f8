// The credential endpoint's answer to GET "/data/templogin": the temporary user name and
// password and the virtual media port, as tagged elements, in the shapes a test asks for.
#pragma once

#include <string>

namespace sim {

struct CredentialConfig {
    std::string user = "root";          // the controller account the request must name
    std::string password = "calvin";
    std::string tempUser = "vmuser";    // handed out for the MEDP login
    std::string tempPassword;           // made at start-up when empty
    int httpStatus = 200;               // status line code for a well-formed request
    int bodyStatus = -1;                // "status" element; -1: 0 for a matching account, else 1
    int vport = -1;                     // "vport" element; -1: the simulator's own VM port
    bool omitStatus = false, omitVport = false, omitUserName = false, omitPassword = false;
    std::string lengthHeader = "Content-length";
    bool noLength = false;              // leave the length header out
    bool singleRecord = false;          // head and body in one TLS record (else two)
};

struct HttpResponse {
    std::string head;  // status line and headers, ended by the empty line
    std::string body;
};

// The answer to a well-formed credential request; accountOk tells whether user and
// password matched. vmPort stands in for config.vport when that is -1.
HttpResponse credentialResponse(const CredentialConfig& config, bool accountOk, int vmPort);
// A short error answer (400, 404, 405, or a configured non-200 code).
HttpResponse errorResponse(int code, const CredentialConfig& config);
const char* reasonPhrase(int code);

} // namespace sim
