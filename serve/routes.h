// The JSON API and the push channel under /api. The request checks (token, Host, method,
// Origin, body type) run before any of these; see server.cpp.
//
//   GET  /api/modules                       {"modules": [{serial, path, virtual, connected,
//                                             scanning, configuration, error}]}
//   GET  /api/modules/S/configurations      {"configurations": [...]}
//   GET  /api/modules/S/settings            {lamp, gain, averaging, accepted_gains}
//   POST /api/modules/S/settings            {lamp?, gain?, averaging?} -> the settings
//   GET  /api/modules/S/sensors             {temperature_c, humidity_pct, battery_v, battery_pct}
//   POST /api/modules/S/scan                {configuration, repeats?} -> a spectrum
//   POST /api/modules/S/continuous          {configuration} -> the module; spectra as events
//   POST /api/modules/S/stop                {} -> the module
//   POST /api/modules/S/unplug, .../replug  {} -> the module (the virtual module only)
//   GET  /api/spectra/ID?format=F[&quantity=Q]  a kept spectrum as a file: csv, json or jcamp
//   GET  /api/events                        server-sent events "spectrum" and "module"
//
// A failure answers {"error": {code, message, diagnostics}} with an HTTP status that fits the
// code (400 bad request, 404 unknown module or spectrum, 409 busy, 503 disconnected, 504 no
// answer in time, 502 another failure of the module).
#ifndef ZEL_SERVE_ROUTES_H
#define ZEL_SERVE_ROUTES_H

namespace httplib {
class Server;
}

namespace zel::serve {

class EventBus;
class ModuleHub;

void add_api_routes(httplib::Server& server, ModuleHub& hub, EventBus& events);

// The HTTP status for a zel status code.
int http_status(int code);

}  // namespace zel::serve

#endif
