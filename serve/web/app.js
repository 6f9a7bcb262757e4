// The zel viewer: drives the server's JSON API and draws spectra with uPlot.
"use strict";

(() => {
  const OVERLAY_LIMIT = 5;
  const SENSOR_PERIOD_MS = 3000;
  const QUANTITY_LABELS = {
    intensity: "Intensity (counts)",
    reference: "Reference (counts)",
    reflectance: "Reflectance",
    absorbance: "Absorbance (−log₁₀ R)",
  };
  const OVERLAY_COLOURS = ["#9aa5b1", "#b7a3c9", "#a3c9b0", "#c9b8a3", "#a3b9c9"];

  const $ = (id) => document.getElementById(id);
  const ui = {
    status: $("status"), module: $("module"), configuration: $("configuration"),
    configurationInfo: $("configuration-info"), averaging: $("averaging"), gain: $("gain"),
    lamp: $("lamp"), scan: $("scan"), continuous: $("continuous"), stop: $("stop"),
    quantity: $("quantity"), keepOverlays: $("keep-overlays"), clearOverlays: $("clear-overlays"),
    resetZoom: $("reset-zoom"), format: $("format"), save: $("save"), temperature: $("temperature"),
    humidity: $("humidity"), battery: $("battery"), sensorsTime: $("sensors-time"),
    virtualControls: $("virtual-controls"), unplug: $("unplug"), replug: $("replug"),
    plot: $("plot"), readout: $("readout"), spectrumInfo: $("spectrum-info"),
  };

  const state = {
    modules: new Map(),   // serial -> the server's description
    serial: null,         // the module shown
    configurations: [],
    spectrum: null,       // the spectrum shown (as the server sent it)
    overlays: [],         // earlier spectra, newest first
    busy: false,          // a single scan is under way
  };
  // Figures the page measures about itself (read by the browser test).
  const stats = { received: 0, drawn: 0, arrivalToDrawMs: [] };
  let pendingArrival = null;
  let plot = null;
  let zoomed = false;

  // ---- status line ----
  function showStatus(text, kind) {
    ui.status.textContent = text;
    ui.status.className = kind || "";
  }
  function showError(error) {
    showStatus(error.message, "error");
  }

  // ---- server ----
  class ApiError extends Error {
    constructor(message, code) {
      super(message);
      this.code = code;
    }
  }
  async function api(method, path, body) {
    let response;
    try {
      response = await fetch(path, {
        method,
        credentials: "same-origin",
        headers: body === undefined ? {} : { "Content-Type": "application/json" },
        body: body === undefined ? undefined : JSON.stringify(body),
      });
    } catch (e) {
      throw new ApiError("The server cannot be reached: is zel serve still running?", 0);
    }
    let reply = null;
    try {
      reply = await response.json();
    } catch (e) {
      throw new ApiError(`The server answered ${response.status} without JSON`, 0);
    }
    if (!response.ok) {
      const error = reply && reply.error ? reply.error : { code: 0, message: response.statusText };
      throw new ApiError(`${error.message} (${error.code})`, error.code);
    }
    return reply;
  }
  const modulePath = (suffix) => `/api/modules/${encodeURIComponent(state.serial)}/${suffix}`;

  // ---- values of a spectrum ----
  function values(spectrum, quantity) {
    const { intensity, reference } = spectrum;
    switch (quantity) {
      case "reference":
        return reference;
      case "reflectance":
        return intensity.map((v, k) => (reference[k] > 0 && v !== null ? v / reference[k] : null));
      case "absorbance":
        return intensity.map((v, k) => {
          const r = reference[k] > 0 && v !== null ? v / reference[k] : 0;
          return r > 0 ? -Math.log10(r) : null;
        });
      default:
        return intensity;
    }
  }

  // ---- plot ----
  function plotSize() {
    return { width: Math.max(320, ui.plot.clientWidth), height: 420 };
  }
  function wheelZoomAndPan(u) {
    const over = u.over;
    over.addEventListener("wheel", (e) => {
      e.preventDefault();
      const { min, max } = u.scales.x;
      if (min === null || max === null) return;
      const at = u.posToVal(e.offsetX, "x");
      const factor = e.deltaY < 0 ? 0.8 : 1.25;
      zoomed = true;
      u.setScale("x", { min: at - (at - min) * factor, max: at + (max - at) * factor });
    }, { passive: false });
    over.addEventListener("mousedown", (e) => {
      if (!e.shiftKey) return;
      e.preventDefault();
      e.stopPropagation();
      const startX = e.clientX;
      const { min, max } = u.scales.x;
      const perPixel = (max - min) / u.bbox.width * devicePixelRatio;
      const move = (m) => {
        const shift = (m.clientX - startX) * perPixel;
        zoomed = true;
        u.setScale("x", { min: min - shift, max: max - shift });
      };
      const up = () => {
        document.removeEventListener("mousemove", move);
        document.removeEventListener("mouseup", up);
      };
      document.addEventListener("mousemove", move);
      document.addEventListener("mouseup", up);
    }, true);
  }
  function readout(u) {
    const k = u.cursor.idx;
    if (k === null || k === undefined || !state.spectrum) return;
    const x = u.data[0][k];
    const y = u.data[1][k];
    const label = ui.quantity.options[ui.quantity.selectedIndex].text;
    ui.readout.textContent = `${x.toFixed(2)} nm   ${label}: ${
      y === null || y === undefined ? "no value" : Number(y).toPrecision(6)}`;
  }
  function makePlot(seriesCount, data) {
    if (plot) plot.destroy();
    const series = [{ label: "Wavelength (nm)", value: (u, v) => (v === null ? "–" : v.toFixed(2)) }];
    series.push({ label: "Spectrum", stroke: "#1f5fbf", width: 1.5, spanGaps: false });
    for (let k = 1; k < seriesCount; ++k) {
      series.push({ label: `Earlier ${k}`, stroke: OVERLAY_COLOURS[(k - 1) % OVERLAY_COLOURS.length],
                    width: 1, spanGaps: true });
    }
    plot = new uPlot({
      ...plotSize(),
      scales: { x: { time: false } },
      axes: [{ label: "Wavelength (nm)" }, { label: QUANTITY_LABELS[ui.quantity.value], size: 70 }],
      series,
      cursor: { drag: { x: true, y: false } },
      legend: { show: true },
      hooks: {
        draw: [() => {
          if (pendingArrival !== null) {
            stats.arrivalToDrawMs.push(performance.now() - pendingArrival);
            pendingArrival = null;
          }
          stats.drawn += 1;
        }],
        setCursor: [readout],
        setSelect: [(u) => { if (u.select.width > 0) zoomed = true; }],
        ready: [wheelZoomAndPan],
      },
    }, data, ui.plot);
    plot.over.addEventListener("dblclick", () => { zoomed = false; });
  }
  function redraw() {
    const shown = state.spectrum ? [state.spectrum, ...state.overlays] : [];
    const quantity = ui.quantity.value;
    let data;
    if (shown.length === 0) {
      data = [[], []];
    } else if (shown.length === 1) {
      data = [shown[0].wavelength_nm, values(shown[0], quantity)];
    } else {
      // Spectra of other configurations have other wavelengths: join them on one axis.
      data = uPlot.join(shown.map((s) => [s.wavelength_nm, values(s, quantity)]));
    }
    const seriesCount = Math.max(1, shown.length);
    const label = QUANTITY_LABELS[quantity];
    if (!plot || plot.series.length !== seriesCount + 1 || plot.axes[1].label !== label) {
      makePlot(seriesCount, data);
      zoomed = false;
    } else {
      plot.setData(data, !zoomed);
    }
  }
  function showSpectrum(spectrum) {
    if (state.spectrum && ui.keepOverlays.checked) {
      state.overlays.unshift(state.spectrum);
      state.overlays.length = Math.min(state.overlays.length, OVERLAY_LIMIT);
    }
    state.spectrum = spectrum;
    const m = spectrum.metadata;
    ui.spectrumInfo.textContent = `Spectrum ${spectrum.id}: ${m.serial}, ${m.configuration_name} ` +
      `(${spectrum.wavelength_nm.length} points), gain ${m.gain}, averaging ${m.averaging}, ` +
      `received ${m.host_time_utc}`;
    redraw();
    updateButtons();
  }

  // ---- controls ----
  function current() {
    return state.modules.get(state.serial) || null;
  }
  function updateButtons() {
    const module = current();
    const connected = !!(module && module.connected);
    const scanning = !!(module && module.scanning);
    for (const control of [ui.configuration, ui.averaging, ui.gain, ui.lamp]) {
      control.disabled = !connected;
    }
    ui.scan.disabled = !connected || scanning || state.busy;
    ui.continuous.disabled = !connected || scanning || state.busy;
    ui.stop.disabled = !connected || (!scanning && !state.busy);
    ui.save.disabled = !state.spectrum;
    ui.virtualControls.hidden = !(module && module.virtual);
    ui.unplug.disabled = !connected;
    ui.replug.disabled = connected;
  }
  function describeModule(module) {
    return `${module.serial}${module.virtual ? " (virtual)" : ""}${module.connected ? "" : " — disconnected"}`;
  }
  function fillModules() {
    const chosen = state.serial;
    ui.module.replaceChildren(...[...state.modules.values()].map((m) => {
      const option = new Option(describeModule(m), m.serial);
      option.selected = m.serial === chosen;
      return option;
    }));
  }
  function fillConfigurations(active) {
    ui.configuration.replaceChildren(...state.configurations.map((c) => new Option(
      `${c.index}: ${c.name} (${c.start_nm.toFixed(0)}–${c.end_nm.toFixed(0)} nm, ${c.points} points)`,
      String(c.index))));
    if (state.configurations.some((c) => c.index === active)) ui.configuration.value = String(active);
    describeConfiguration();
  }
  function describeConfiguration() {
    const c = state.configurations.find((x) => String(x.index) === ui.configuration.value);
    ui.configurationInfo.textContent = c
      ? `${c.kind}, ${c.sections.length} section${c.sections.length === 1 ? "" : "s"}, ` +
        `pattern width ${c.width_px} px, scan time ${c.scan_time_s.toFixed(2)} s`
      : "";
  }
  function showSettings(settings) {
    ui.lamp.checked = settings.lamp;
    ui.averaging.value = settings.averaging;
    ui.gain.replaceChildren(...settings.accepted_gains.map((g) => new Option(String(g), String(g))));
    ui.gain.value = String(settings.gain);
  }
  function showSensors(sensors) {
    ui.temperature.textContent = `${sensors.temperature_c.toFixed(2)} °C`;
    ui.humidity.textContent = `${sensors.humidity_pct.toFixed(2)} %`;
    ui.battery.textContent = `${sensors.battery_v.toFixed(2)} V, ${sensors.battery_pct.toFixed(0)} %`;
    ui.sensorsTime.textContent = `Updated ${new Date().toLocaleTimeString()}`;
  }
  function moduleStatus(module) {
    if (!module) return showStatus("No module is attached: plug one in.", "error");
    if (!module.connected) {
      return showStatus(`${module.serial}: disconnected${module.error ? ` (${module.error})` : ""}`, "error");
    }
    if (module.error) return showStatus(`${module.serial}: ${module.error}`, "error");
    showStatus(`${module.serial}: ${module.scanning ? "scanning continuously" : "ready"}`, "ok");
  }

  async function loadModule() {
    const module = current();
    updateButtons();
    moduleStatus(module);
    if (!module || !module.connected) return;
    const [{ configurations }, settings] = await Promise.all([
      api("GET", modulePath("configurations")), api("GET", modulePath("settings"))]);
    state.configurations = configurations;
    fillConfigurations(module.configuration);
    showSettings(settings);
    await refreshSensors();
  }
  async function refreshModules() {
    const { modules } = await api("GET", "/api/modules");
    const before = current();
    state.modules = new Map(modules.map((m) => [m.serial, m]));
    if (!state.modules.has(state.serial)) {
      const first = modules.find((m) => m.connected) || modules[0];
      state.serial = first ? first.serial : null;
    }
    fillModules();
    const after = current();
    if (!before || !after || before.serial !== after.serial || before.connected !== after.connected) {
      await loadModule();
    } else {
      updateButtons();
    }
  }
  async function refreshSensors() {
    const module = current();
    if (!module || !module.connected) return;
    showSensors(await api("GET", modulePath("sensors")));
  }

  // Runs an action, showing its failure in words; the page stays usable either way.
  async function act(action) {
    try {
      await action();
      if (ui.status.className === "error") moduleStatus(current());
    } catch (e) {
      showError(e);
    }
  }
  async function postSettings(change) {
    showSettings(await api("POST", modulePath("settings"), change));
    await reloadConfigurations();
  }
  async function reloadConfigurations() {
    // The scan time follows the averaging: read the configurations again.
    const { configurations } = await api("GET", modulePath("configurations"));
    const chosen = Number(ui.configuration.value);
    state.configurations = configurations;
    fillConfigurations(chosen);
  }

  ui.module.addEventListener("change", () => act(async () => {
    state.serial = ui.module.value;
    await loadModule();
  }));
  ui.configuration.addEventListener("change", () => act(async () => {
    describeConfiguration();
    const module = current();
    if (module && module.scanning) {
      await api("POST", modulePath("continuous"), { configuration: Number(ui.configuration.value) });
    }
  }));
  ui.averaging.addEventListener("change", () => act(async () => {
    const averaging = Number(ui.averaging.value);
    if (!Number.isInteger(averaging) || averaging < 1 || averaging > 65535) {
      throw new ApiError("Averaging must be a whole number from 1 to 65535", 0);
    }
    await postSettings({ averaging });
  }));
  ui.gain.addEventListener("change", () => act(() => postSettings({ gain: Number(ui.gain.value) })));
  ui.lamp.addEventListener("change", () => act(() => postSettings({ lamp: ui.lamp.checked })));
  ui.scan.addEventListener("click", () => act(async () => {
    state.busy = true;
    updateButtons();
    showStatus(`${state.serial}: scanning…`);
    try {
      const spectrum = await api("POST", modulePath("scan"), { configuration: Number(ui.configuration.value) });
      stats.received += 1;
      showSpectrum(spectrum);
      moduleStatus(current());
    } finally {
      state.busy = false;
      updateButtons();
    }
  }));
  ui.continuous.addEventListener("click", () => act(async () => {
    applyModule(await api("POST", modulePath("continuous"), { configuration: Number(ui.configuration.value) }));
  }));
  ui.stop.addEventListener("click", () => act(async () => {
    applyModule(await api("POST", modulePath("stop"), {}));
  }));
  ui.unplug.addEventListener("click", () => act(async () => applyModule(await api("POST", modulePath("unplug"), {}))));
  ui.replug.addEventListener("click", () => act(async () => applyModule(await api("POST", modulePath("replug"), {}))));
  ui.quantity.addEventListener("change", redraw);
  ui.keepOverlays.addEventListener("change", () => {
    if (!ui.keepOverlays.checked) {
      state.overlays = [];
      redraw();
    }
  });
  ui.clearOverlays.addEventListener("click", () => {
    state.overlays = [];
    redraw();
  });
  ui.resetZoom.addEventListener("click", () => {
    zoomed = false;
    redraw();
    if (plot && state.spectrum) plot.setData(plot.data, true);
  });
  ui.save.addEventListener("click", () => act(async () => {
    if (!state.spectrum) return;
    // JCAMP-DX holds one quantity: the one shown. CSV and JSON hold every column.
    const format = ui.format.value;
    const url = `/api/spectra/${state.spectrum.id}?format=${format}` +
      (format === "jcamp" ? `&quantity=${ui.quantity.value}` : "");
    // Ask first, so that a failure (a spectrum no longer kept) is shown in words, not as a broken download.
    const probe = await fetch(url, { method: "HEAD", credentials: "same-origin" });
    if (!probe.ok) {
      throw new ApiError(`Saving failed: the server answered ${probe.status} ${probe.statusText}`, 0);
    }
    const link = document.createElement("a");
    link.href = url;
    link.download = "";
    document.body.appendChild(link);
    link.click();
    link.remove();
    showStatus(`Saved spectrum ${state.spectrum.id} as ${ui.format.options[ui.format.selectedIndex].text}`, "ok");
  }));
  window.addEventListener("resize", () => { if (plot) plot.setSize(plotSize()); });

  // A module's new state, from an answer or an event.
  function applyModule(module) {
    const before = state.modules.get(module.serial);
    state.modules.set(module.serial, module);
    fillModules();
    if (module.serial !== state.serial) return;
    moduleStatus(module);
    updateButtons();
    if (before && !before.connected && module.connected) act(loadModule);
  }

  // ---- push channel ----
  function listen() {
    const events = new EventSource("/api/events");
    events.addEventListener("spectrum", (e) => {
      const arrival = performance.now();
      const spectrum = JSON.parse(e.data);
      if (spectrum.metadata.serial !== state.serial) return;
      stats.received += 1;
      pendingArrival = arrival;
      showSpectrum(spectrum);
    });
    events.addEventListener("module", (e) => applyModule(JSON.parse(e.data)));
    events.addEventListener("open", () => act(refreshModules));
    events.addEventListener("error", () => {
      showStatus("The connection to zel serve was lost: retrying…", "error");
    });
  }

  ui.keepOverlays.checked = true;
  $("overlay-limit").textContent = String(OVERLAY_LIMIT);
  makePlot(1, [[], []]);
  window.zelViewer = { stats, plot: () => plot, state };
  act(refreshModules).then(listen);
  setInterval(() => act(async () => {
    await refreshModules();
    await refreshSensors();
  }), SENSOR_PERIOD_MS);
})();
