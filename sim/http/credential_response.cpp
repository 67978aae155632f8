#include "http/credential_response.h"

namespace sim {

namespace {

std::string element(const char* name, const std::string& text) {
    return std::string("<") + name + ">" + text + "</" + name + ">\n";
}

std::string head(int code, const CredentialConfig& config, size_t bodyLength) {
    std::string h = "HTTP/1.0 " + std::to_string(code) + " " + reasonPhrase(code) + "\r\n";
    h += "Server: vantro-sim\r\nContent-type: text/xml\r\n";
    if (!config.noLength) h += config.lengthHeader + ": " + std::to_string(bodyLength) + "\r\n";
    h += "\r\n";
    return h;
}

} // namespace

const char* reasonPhrase(int code) {
    switch (code) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

HttpResponse credentialResponse(const CredentialConfig& config, bool accountOk, int vmPort) {
    if (config.httpStatus != 200) return errorResponse(config.httpStatus, config);
    int status = config.bodyStatus >= 0 ? config.bodyStatus : (accountOk ? 0 : 1);
    int vport = config.vport >= 0 ? config.vport : vmPort;
    HttpResponse r;
    r.body = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n";
    if (!config.omitStatus) r.body += element("status", std::to_string(status));
    // A refused account gets no credentials, as a controller would answer.
    if (status == 0) {
        if (!config.omitVport) r.body += element("vport", std::to_string(vport));
        if (!config.omitUserName) r.body += element("userName", config.tempUser);
        if (!config.omitPassword) r.body += element("password", config.tempPassword);
    }
    r.body += "</root>\n";
    r.head = head(200, config, r.body.size());
    return r;
}

HttpResponse errorResponse(int code, const CredentialConfig& config) {
    HttpResponse r;
    r.body = "<html><body>" + std::to_string(code) + " " + reasonPhrase(code) + "</body></html>\n";
    r.head = head(code, config, r.body.size());
    return r;
}

} // namespace sim
