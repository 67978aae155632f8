#include "tls_context.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <mutex>

namespace sim {

namespace {

struct Certificate {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    std::string error;
};

std::string opensslError(const char* what) {
    char text[256] = "";
    unsigned long e = ERR_get_error();
    if (e) ERR_error_string_n(e, text, sizeof text);
    ERR_clear_error();
    return std::string(what) + (e ? std::string(": ") + text : std::string());
}

Certificate makeCertificate() {
    Certificate c;
    c.key = EVP_EC_gen("P-256");
    c.cert = X509_new();
    if (!c.key || !c.cert) {
        c.error = opensslError("certificate key generation failed");
        return c;
    }
    X509_set_version(c.cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(c.cert), 1);
    X509_gmtime_adj(X509_getm_notBefore(c.cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(c.cert), 7 * 24 * 3600);
    X509_set_pubkey(c.cert, c.key);
    X509_NAME* name = X509_get_subject_name(c.cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("vantro-sim"), -1, -1, 0);
    X509_set_issuer_name(c.cert, name);
    if (!X509_sign(c.cert, c.key, EVP_sha256())) c.error = opensslError("certificate signing failed");
    return c;
}

} // namespace

SSL_CTX* newServerTlsContext(std::string& error) {
    static std::once_flag once;
    static Certificate cert;
    std::call_once(once, [] { cert = makeCertificate(); });
    if (!cert.error.empty()) {
        error = cert.error;
        return nullptr;
    }
    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    if (!ctx || SSL_CTX_use_certificate(ctx, cert.cert) != 1 || SSL_CTX_use_PrivateKey(ctx, cert.key) != 1) {
        error = opensslError("TLS server context");
        SSL_CTX_free(ctx);
        return nullptr;
    }
    // Writes may be retried from a moved buffer after the socket was full.
    SSL_CTX_set_mode(ctx, SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return ctx;
}

} // namespace sim
