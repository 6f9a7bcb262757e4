// zel::serve: a live spectrum viewer served to a browser.
//
// The server hands out one page (HTML, JavaScript, CSS and the plotting library, all compiled
// into the program) and a small JSON API the page drives: list modules, read configurations,
// settings and sensors, change settings, scan once or continuously, download a spectrum as
// CSV, JSON or JCAMP-DX. Spectra of continuous scanning and changes of module state are pushed
// to the page as server-sent events (GET /api/events), at the module's own pace.
//
// One zel::Module object per attached module; calls on one module are serialised by it. A module
// that goes away is shown "disconnected" and opened again when it is seen again (real modules:
// at the next listing; the virtual module: after POST .../replug).
//
// Security (it drives hardware): it binds 127.0.0.1 unless told otherwise; every request needs
// the random token printed at start (in the URL's query, then a cookie the first page load
// sets, or an "Authorization: Bearer" header); a request whose Host header names neither the
// bound address nor localhost is refused (DNS rebinding); no CORS headers are ever sent;
// changes are made by POST only, with a JSON body, and a POST whose Origin is not the server's
// own is refused.
#ifndef ZEL_SERVE_SERVE_H
#define ZEL_SERVE_SERVE_H

#include <cstdint>
#include <memory>
#include <string>

namespace zel::serve {

struct Options {
    bool virtual_module = false;  // serve an in-process virtual module instead of attached ones
    std::string serial;           // serve only the module with this serial (empty: every one)
    std::string bind = "127.0.0.1";
    int port = 0;                 // 0: any free port
    std::string token;            // empty: a fresh random token (tests give their own)
    // The virtual module: its noise and sensor seed, the sample under its window (see
    // zel::virtual_samples()), and whether it takes its scan time in real time (false runs it on
    // its own clock, for tests that need no pacing).
    uint64_t virtual_seed = 1;
    std::string virtual_sample = "default";
    bool virtual_realtime = true;
};

// A bound server. Construction binds the port (zel::Error ZEL_E_INVALID_ARGUMENT with the
// reason when it cannot); serve() answers requests until stop() is called from another thread.
class Server {
public:
    explicit Server(Options options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    int port() const;
    const std::string& token() const;
    // The address to open: http://HOST:PORT/?token=TOKEN.
    std::string url() const;

    void serve();
    // Ends serve() and continuous scanning; safe from any thread, also before serve().
    void stop();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Binds, prints "zel serve: open URL" to standard output, and serves until SIGINT or SIGTERM
// ends it. Throws zel::Error when the server cannot start (a port in use, no module list).
// SIGINT and SIGTERM are blocked in the calling thread while it runs (and so in every thread it
// starts), and taken by it.
void run(const Options& options);

}  // namespace zel::serve

#endif
