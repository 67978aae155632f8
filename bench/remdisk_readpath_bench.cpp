// Read throughput of Remdisk serving a 1 GiB sparse ISO image to vantro-sim over TLS, both as
// processes on loopback, for realistic request sizes and packet limits. Reports the read rate
// the simulator measured and the CPU seconds per GiB of each side; a reference benchmark
// gives the cost of the session's cipher (AES-256-GCM in 16 KiB records) on this machine.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <openssl/evp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const long long kImageBytes = 1LL << 30;

struct Image {
    std::string dir;
    std::string path;
    std::string sha256;
    Image() {
        char tmpl[] = "/tmp/remdisk-bench-XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "/tmp";
        path = dir + "/bench.iso";
        int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        if (fd >= 0) {
            if (ftruncate(fd, kImageBytes) != 0)
                std::perror("ftruncate");
            close(fd);
        }
        // Read the new image once: the kernel fills the page cache of a fresh sparse file
        // with zeroed pages on the first read (2 to 3 CPU s/GiB here), charged to whichever case
        // ran first. Afterwards every case measures the serving path alone.
        fd = open(path.c_str(), O_RDONLY);
        if (fd >= 0) {
            std::vector<char> chunk(1 << 20);
            while (read(fd, chunk.data(), chunk.size()) > 0) {
            }
            close(fd);
        }
        // The digest of 1 GiB of zeros, as the simulator must find it.
        std::vector<unsigned char> zeros(1 << 20, 0);
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr);
        for (long long done = 0; done < kImageBytes; done += zeros.size())
            EVP_DigestUpdate(ctx, zeros.data(), zeros.size());
        unsigned char md[32];
        unsigned len = 0;
        EVP_DigestFinal_ex(ctx, md, &len);
        EVP_MD_CTX_free(ctx);
        char hex[65];
        for (int i = 0; i < 32; ++i)
            std::snprintf(hex + 2 * i, 3, "%02x", md[i]);
        sha256 = hex;
    }
    ~Image() {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }
};

Image& image() {
    static Image instance;
    return instance;
}

struct Child {
    pid_t pid = -1;
    int out = -1;
    std::string text;
};

Child spawn(const std::vector<std::string>& argv, bool captureOutput) {
    Child c;
    int p[2] = {-1, -1};
    if (captureOutput && pipe(p) != 0)
        return c;
    c.pid = fork();
    if (c.pid == 0) {
        int sink = captureOutput ? p[1] : open("/dev/null", O_WRONLY);
        dup2(sink, 1);
        dup2(sink, 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    if (captureOutput) {
        close(p[1]);
        c.out = p[0];
    }
    return c;
}

// Reads the child's output until text appears, the output ends or ms pass.
bool readUntil(Child& c, const std::string& text, int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (c.text.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        pollfd p{c.out, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char buf[4096];
        ssize_t n = read(c.out, buf, sizeof buf);
        if (n <= 0)
            return false;
        c.text.append(buf, static_cast<size_t>(n));
    }
    return true;
}

double cpuSeconds(const rusage& u) {
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// Waits (bounded) for the child; its exit status, or -1 after killing it.
int reap(Child& c, rusage& usage, int ms) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        pid_t r = wait4(c.pid, &status, WNOHANG, &usage);
        if (r == c.pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (std::chrono::steady_clock::now() > until) {
            kill(c.pid, SIGKILL);
            wait4(c.pid, &status, 0, &usage);
            return -1;
        }
        if (c.out >= 0)
            readUntil(c, "\x01", 20); // keep the pipe drained
        else
            usleep(20000);
    }
}

void BM_ServeIsoImage(benchmark::State& state) {
    const int readSize = static_cast<int>(state.range(0));
    const int maxBlocks = static_cast<int>(state.range(1));
    Image& img = image();
    double clientCpu = 0, simCpu = 0, seconds = 0, bytes = 0;
    for (auto _ : state) {
        Child sim = spawn({VANTRO_SIM_BIN, "--https-port", "0", "--vm-port", "0", "--once", "--timeout", "300",
                           "--expect-sha256", "cd=" + img.sha256, "--read-size", std::to_string(readSize),
                           "--max-blocks", std::to_string(maxBlocks)},
                          true);
        if (!readUntil(sim, "https port ", 10000) || !readUntil(sim, "\n", 1000)) {
            state.SkipWithError("the simulator did not start");
            break;
        }
        const std::string port = sim.text.substr(sim.text.find("https port ") + 11);
        Child client = spawn({REMDISK_BIN, "-r", "127.0.0.1:" + std::to_string(std::atoi(port.c_str())), "-u",
                              "root", "-p", "calvin", "-c", img.path},
                             false);
        rusage clientUsage{}, simUsage{};
        const int clientStatus = reap(client, clientUsage, 300000);
        const int simStatus = reap(sim, simUsage, 30000);
        readUntil(sim, "\x01", 200);
        if (clientStatus != 0 || simStatus != 0) {
            state.SkipWithError(("session failed: " + sim.text).c_str());
            break;
        }
        // "drive 0 cd: N bytes read in S s, R MB/s, ..."
        size_t at = sim.text.find(" bytes read in ");
        double readSeconds = at == std::string::npos ? 0 : std::atof(sim.text.c_str() + at + 15);
        state.SetIterationTime(readSeconds);
        clientCpu += cpuSeconds(clientUsage);
        simCpu += cpuSeconds(simUsage);
        seconds += readSeconds;
        bytes += static_cast<double>(kImageBytes);
        close(sim.out);
    }
    const double gib = bytes / kImageBytes;
    if (gib > 0 && seconds > 0) {
        state.counters["MB_per_s"] = bytes / 1e6 / seconds;
        state.counters["client_cpu_s_per_GiB"] = clientCpu / gib;
        state.counters["sim_cpu_s_per_GiB"] = simCpu / gib;
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ServeIsoImage)
    ->Args({64 * 1024, 8})
    ->Args({64 * 1024, 255})
    ->Args({1024 * 1024, 8})
    ->Args({1024 * 1024, 255})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The cipher the session negotiates, on records of the size TLS sends: the floor of what any
// TLS peer pays per GiB on this machine.
void BM_CipherReference(benchmark::State& state) {
    const int record = 16 * 1024;
    std::vector<unsigned char> in(record, 0x5A), out(record + 32);
    unsigned char key[32] = {1}, iv[12] = {2}, tag[16];
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    long long total = 0;
    for (auto _ : state) {
        EVP_EncryptInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key, iv);
        int n = 0;
        EVP_EncryptUpdate(ctx, out.data(), &n, in.data(), record);
        EVP_EncryptFinal_ex(ctx, out.data() + n, &n);
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, 16, tag);
        benchmark::DoNotOptimize(tag);
        total += record;
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(total);
}
BENCHMARK(BM_CipherReference);

} // namespace

BENCHMARK_MAIN();
