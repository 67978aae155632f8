#include "sim_options.h"

#include "medp/sha256_digest.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace sim {

namespace {

bool parseNumber(const std::string& v, long long min, long long max, long long& out) {
    if (v.empty() || v.size() > 10 || v.find_first_not_of("0123456789") != std::string::npos) return false;
    long long n = std::strtoll(v.c_str(), nullptr, 10);
    if (n < min || n > max) return false;
    out = n;
    return true;
}

bool parsePort(const std::string& v, int& out) {
    long long n;
    if (!parseNumber(v, 0, 65535, n)) return false;
    out = static_cast<int>(n);
    return true;
}

std::vector<std::string> splitList(const std::string& v) {
    std::vector<std::string> items;
    std::stringstream ss(v);
    std::string item;
    while (std::getline(ss, item, ',')) items.push_back(item);
    return items;
}

bool parseDisks(const std::string& v, std::vector<ListedDisk>& out, std::string& error) {
    out.clear();
    for (const std::string& item : splitList(v)) {
        ListedDisk d;
        std::string name = item.substr(0, item.find(':'));
        long long n;
        if (name == "cd") d.type = DISK_CD;
        else if (name == "floppy") d.type = DISK_BLOCK;
        else if (name == "usb") d.type = DISK_USB;
        else if (parseNumber(name, 0, 255, n)) d.type = static_cast<int>(n);
        else {
            error = "--disks: \"" + item + "\" is not cd, floppy, usb or a type number";
            return false;
        }
        if (item.find(':') != std::string::npos) {
            if (!parseNumber(item.substr(item.find(':') + 1), 0, 255, n)) {
                error = "--disks: bad status in \"" + item + "\"";
                return false;
            }
            d.status = static_cast<int>(n);
        }
        out.push_back(d);
    }
    if (out.size() > 64) {
        error = "--disks: at most 64 disks";
        return false;
    }
    return true;
}

// "[KIND=]VALUE" of --expect-sha256 and --expect-file.
bool splitKind(const std::string& v, std::string& kind, std::string& value, std::string& error) {
    size_t eq = v.find('=');
    std::string k = eq == std::string::npos ? "" : v.substr(0, eq);
    if (k == "cd" || k == "floppy" || k == "usb") {
        kind = k;
        value = v.substr(eq + 1);
    } else {
        kind.clear();
        value = v;
    }
    if (value.empty()) {
        error = "expectation \"" + v + "\" names no value";
        return false;
    }
    return true;
}

} // namespace

const char* simUsage() {
    static const std::string text =
        std::string("Usage: vantro-sim [options]\n"
                    "Endpoints (each on 127.0.0.1; port 0 picks a free port, printed as \"<name> port N\"):\n"
                    "  --ipmi-port N          serve IPMI (VM serial protocol); printed \"ipmi port N\"\n"
                    "  --state FILE           keep the IPMI controller's state in FILE across runs\n"
                    "  --virtual-usb          at firmware-update phase 1 present a real FAT device (a loop\n"
                    "                         device; needs root)\n"
                    "  --https-port N         serve HTTPS GET /data/templogin; printed \"https port N\"\n"
                    "  --vm-port N            serve HSHK and MEDP (virtual media); printed \"vm port N\"\n"
                    "  --session-port N       HSHK names a second port for the session; printed \"session port N\"\n"
                    "Run:\n"
                    "  --once                 end after one virtual media session (with --vm-port) or one\n"
                    "                         credential request (HTTPS only), with its verdict as exit status\n"
                    "  --timeout SECONDS      end (status 3) when still running after SECONDS; 0 = no limit\n"
                    "  --io-timeout SECONDS   longest wait for any one answer of a client (default 30)\n"
                    "Credentials (HTTPS):\n"
                    "  --user NAME --password TEXT   account the request must name (default root / calvin)\n"
                    "  --temp-user NAME       temporary user handed out and expected at the MEDP login (vmuser)\n"
                    "  --temp-password TEXT   temporary password (default: 16 random hex digits per run)\n"
                    "  --http-status CODE     status line code (default 200; e.g. 401)\n"
                    "  --http-body-status N   \"status\" element (default 0, or 1 for a wrong account)\n"
                    "  --vport N              \"vport\" element (default: the --vm-port in use)\n"
                    "  --http-omit LIST       leave out elements: status,vport,userName,password\n"
                    "  --http-length-header NAME  spelling of the length header (default Content-length)\n"
                    "  --http-no-length       send no length header\n"
                    "  --http-single-record   headers and body in one TLS record (default: two records)\n"
                    "Connection setup (HSHK):\n"
                    "  --hshk-caps N          capabilities granted: 4 TLS (default), 1 plain, 5 both, 0 none\n"
                    "  --hshk-random N        bytes of random data sent, 0..255 (default 32)\n"
                    "MEDP scenario:\n"
                    "  --login-auth any|password|random  credential the login must carry (default any)\n"
                    "  --login-status N       login response status (default 0 if the login checks out, else 1)\n"
                    "  --disks LIST           listed disks: cd, floppy, usb or a type number, each with an\n"
                    "                         optional :STATUS (default cd,floppy)\n"
                    "  --drives N             mapped drives to serve before finishing (default: one per\n"
                    "                         expectation, at least 1)\n"
                    "  --expect-sha256 [KIND=]HEX  a drive (cd, floppy, usb or any) must read as this digest\n"
                    "  --expect-file [KIND=]PATH   a drive must read as this file (size and SHA-256)\n"
                    "  --read-size BYTES      bytes per read request (default 65536)\n"
                    "  --max-blocks N         maximum blocks per read response, 1..255 (default 8)\n"
                    "  --write                write a pattern (byte at medium offset p is p mod 251) and read it\n"
                    "                         back; read-only drives must refuse it and keep their data\n"
                    "  --write-blocks N       blocks written (default 4)\n"
                    "  --write-offset BLOCK   first block written (default: the middle of the medium)\n"
                    "  --read-past-end        one read at the capacity must end with a non-zero status\n"
                    "  --device-status CODE   send this DeviceStatus to each drive after its checks; 6, 8, 9\n"
                    "                         must unmap it, other codes must keep it\n"
                    "  --expect-heartbeat     wait for a client heartbeat before finishing\n"
                    "  --heartbeat-timeout SECONDS  while waiting for the client to close at the end, fail when\n"
                    "                         no heartbeat came for SECONDS (default 0: not checked)\n"
                    "  --finish all|one|none|close  release every drive (default) or the first one, release\n"
                    "                         none, or close the connection; then wait for the client to close\n"
                    ) +
        "Firmware update (IPMI endpoint):\n" + fw_option_usage() +
        "  --help                 show this text\n"
        "Exit status: 0 scenario completed and every check passed (without --once: no session\n"
        "failed), 1 a check failed or a client broke the protocol, 2 bad command line, 3 timed out\n"
        "or interrupted before the scenario completed. Without --once it runs until SIGINT or SIGTERM.\n";
    return text.c_str();
}

bool parseSimOptions(const std::vector<std::string>& args, SimOptions& out, std::string& error) {
    SimOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };
        auto number = [&](long long min, long long max, long long& n) {
            std::string v;
            if (!value(v)) return false;
            if (!parseNumber(v, min, max, n)) {
                error = a + ": \"" + v + "\" is not a number from " + std::to_string(min) + " to " + std::to_string(max);
                return false;
            }
            return true;
        };
        auto port = [&](int& p) {
            long long n;
            if (!number(0, 65535, n)) return false;
            p = static_cast<int>(n);
            return true;
        };
        auto choice = [&](std::initializer_list<const char*> allowed, std::string& v) {
            if (!value(v)) return false;
            for (const char* c : allowed)
                if (v == c) return true;
            error = a + ": \"" + v + "\" is not one of the allowed values";
            return false;
        };
        std::string v;
        long long n = 0;
        CredentialConfig& cred = o.credentials;
        ScenarioConfig& sc = o.scenario;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--virtual-usb") {
            o.virtualUsb = true;
        } else if (a == "--ipmi-port") {
            if (!value(v)) return false;
            if (!parsePort(v, o.ipmiPort)) {
                error = "--ipmi-port: \"" + v + "\" is not a port number";
                return false;
            }
        } else if (a == "--state") {
            if (!value(o.stateFile)) return false;
            if (o.stateFile.empty()) {
                error = "--state needs a file name";
                return false;
            }
        } else if (a == "--https-port") {
            if (!port(o.httpsPort)) return false;
        } else if (a == "--vm-port") {
            if (!port(o.vmPort)) return false;
        } else if (a == "--session-port") {
            if (!port(o.hshk.sessionPort)) return false;
        } else if (a == "--once") {
            o.once = true;
        } else if (a == "--timeout") {
            if (!number(0, 86400, n)) return false;
            o.timeoutSeconds = static_cast<int>(n);
        } else if (a == "--io-timeout") {
            if (!number(1, 86400, n)) return false;
            sc.ioTimeoutMs = static_cast<int>(n * 1000);
        } else if (a == "--user") {
            if (!value(cred.user)) return false;
        } else if (a == "--password") {
            if (!value(cred.password)) return false;
        } else if (a == "--temp-user") {
            if (!value(cred.tempUser)) return false;
        } else if (a == "--temp-password") {
            if (!value(cred.tempPassword)) return false;
            o.tempPasswordSet = true;
        } else if (a == "--http-status") {
            if (!number(100, 999, n)) return false;
            cred.httpStatus = static_cast<int>(n);
        } else if (a == "--http-body-status") {
            if (!number(0, 2147483647, n)) return false;
            cred.bodyStatus = static_cast<int>(n);
        } else if (a == "--vport") {
            if (!port(cred.vport)) return false;
        } else if (a == "--http-omit") {
            if (!value(v)) return false;
            for (const std::string& item : splitList(v)) {
                if (item == "status") cred.omitStatus = true;
                else if (item == "vport") cred.omitVport = true;
                else if (item == "userName") cred.omitUserName = true;
                else if (item == "password") cred.omitPassword = true;
                else {
                    error = "--http-omit: \"" + item + "\" is not status, vport, userName or password";
                    return false;
                }
            }
        } else if (a == "--http-length-header") {
            if (!value(cred.lengthHeader)) return false;
            if (cred.lengthHeader.empty() || cred.lengthHeader.find_first_of(": \r\n") != std::string::npos) {
                error = "--http-length-header: not a header name";
                return false;
            }
        } else if (a == "--http-no-length") {
            cred.noLength = true;
        } else if (a == "--http-single-record") {
            cred.singleRecord = true;
        } else if (a == "--hshk-caps") {
            if (!number(0, 2147483647, n)) return false;
            o.hshk.capabilities = static_cast<int>(n);
        } else if (a == "--hshk-random") {
            if (!number(0, 255, n)) return false;
            o.hshk.randomLength = static_cast<int>(n);
        } else if (a == "--login-auth") {
            if (!choice({"any", "password", "random"}, v)) return false;
            sc.loginAuth = v == "any" ? LoginAuth::ANY : v == "password" ? LoginAuth::PASSWORD : LoginAuth::RANDOM;
        } else if (a == "--login-status") {
            if (!number(0, 255, n)) return false;
            sc.loginStatus = static_cast<int>(n);
        } else if (a == "--disks") {
            if (!value(v) || !parseDisks(v, sc.disks, error)) return false;
        } else if (a == "--drives") {
            if (!number(0, 64, n)) return false;
            sc.drives = static_cast<int>(n);
        } else if (a == "--expect-sha256" || a == "--expect-file") {
            DriveExpectation e;
            std::string text;
            if (!value(v) || !splitKind(v, e.kind, text, error)) return false;
            if (a == "--expect-file") {
                e.file = text;
            } else if (isSha256Hex(text)) {
                e.sha256 = text;
                std::transform(e.sha256.begin(), e.sha256.end(), e.sha256.begin(), [](unsigned char c) { return std::tolower(c); });
            } else {
                error = "--expect-sha256: \"" + text + "\" is not 64 hex digits";
                return false;
            }
            sc.expectations.push_back(e);
        } else if (a == "--read-size") {
            if (!number(1, 16 * 1024 * 1024, n)) return false;
            sc.readSize = static_cast<int>(n);
        } else if (a == "--max-blocks") {
            if (!number(1, 255, n)) return false;
            sc.maxBlocks = static_cast<int>(n);
        } else if (a == "--write") {
            sc.write = true;
        } else if (a == "--write-blocks") {
            if (!number(1, 4096, n)) return false;
            sc.writeBlocks = static_cast<int>(n);
        } else if (a == "--write-offset") {
            if (!number(0, 4294967295LL, n)) return false;
            sc.writeOffset = n;
        } else if (a == "--read-past-end") {
            sc.readPastEnd = true;
        } else if (a == "--device-status") {
            if (!number(0, 2147483647, n)) return false;
            sc.deviceStatus = static_cast<int>(n);
        } else if (a == "--expect-heartbeat") {
            sc.expectHeartbeat = true;
        } else if (a == "--heartbeat-timeout") {
            if (!number(0, 86400, n)) return false;
            sc.heartbeatTimeoutMs = static_cast<int>(n * 1000);
        } else if (a == "--finish") {
            if (!choice({"all", "one", "none", "close"}, v)) return false;
            sc.finish = v == "all" ? Finish::RELEASE_ALL : v == "one" ? Finish::RELEASE_ONE : v == "none" ? Finish::NONE : Finish::CLOSE;
        } else if (a.compare(0, 5, "--fw-") == 0) {
            if (!parse_fw_option(a, &o.fw, &error)) return false;
        } else {
            error = "unknown option \"" + a + "\"";
            return false;
        }
    }
    if (o.once && o.vmPort < 0 && o.httpsPort < 0) {
        error = "--once needs --vm-port or --https-port";
        return false;
    }
    out = o;
    return true;
}

} // namespace sim
