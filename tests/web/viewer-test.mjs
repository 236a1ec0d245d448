// Drives the album page in headless Chromium through its DevTools pipe: generates a page
// with orbpix, opens it from disk and from a local web server, once with WebGL and once
// without, and checks from screenshots that the first panorama is drawn, that dragging turns
// it and that "Next" shows another picture.
//
// node viewer-test.mjs --orbpix PATH --pictures DIR --work DIR [--screenshots DIR] [--measure]
// Exit 77 (skipped) when no Chromium is installed.
import {spawn, spawnSync} from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import zlib from "node:zlib";

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, a, i, all) => {
    if (a.startsWith("--")) pairs.push([a.slice(2), all[i + 1] && !all[i + 1].startsWith("--") ? all[i + 1] : true]);
    return pairs;
}, []));

function findChromium() {
    for (const name of [process.env.CHROMIUM, "chromium", "chromium-browser", "google-chrome"]) {
        if (!name) continue;
        const found = spawnSync("sh", ["-c", `command -v "${name}"`], {encoding: "utf8"});
        if (found.status === 0) return found.stdout.trim();
    }
    return null;
}

let failures = 0;
function check(ok, what) {
    console.log(`${ok ? "ok  " : "FAIL"} ${what}`);
    if (!ok) failures++;
}

// ---- PNG screenshots into RGBA pixels. ----
function decodePng(buffer) {
    let at = 8, width = 0, height = 0, type = 0;
    const data = [];
    while (at < buffer.length) {
        const length = buffer.readUInt32BE(at);
        const kind = buffer.toString("ascii", at + 4, at + 8);
        const body = buffer.subarray(at + 8, at + 8 + length);
        if (kind === "IHDR") {
            width = body.readUInt32BE(0);
            height = body.readUInt32BE(4);
            type = body[9];
            if (body[8] !== 8 || body[12] !== 0) throw new Error("unexpected PNG layout");
        } else if (kind === "IDAT") data.push(body);
        at += 12 + length;
    }
    const channels = type === 6 ? 4 : type === 2 ? 3 : 0;
    if (!channels) throw new Error("unexpected PNG colour type " + type);
    const raw = zlib.inflateSync(Buffer.concat(data));
    const stride = width * channels;
    const out = Buffer.alloc(width * height * 4);
    let prev = Buffer.alloc(stride), line = Buffer.alloc(stride);
    for (let y = 0; y < height; y++) {
        const filter = raw[y * (stride + 1)];
        const src = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
        for (let x = 0; x < stride; x++) {
            const a = x >= channels ? line[x - channels] : 0, b = prev[x], c = x >= channels ? prev[x - channels] : 0;
            let v = src[x];
            if (filter === 1) v += a;
            else if (filter === 2) v += b;
            else if (filter === 3) v += (a + b) >> 1;
            else if (filter === 4) {
                const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
                v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            line[x] = v & 255;
        }
        for (let x = 0; x < width; x++) {
            for (let k = 0; k < 3; k++) out[(y * width + x) * 4 + k] = line[x * channels + k];
            out[(y * width + x) * 4 + 3] = 255;
        }
        [prev, line] = [line, prev];
    }
    return {width, height, pixels: out};
}

function luminanceSpread(image) {
    let sum = 0, squares = 0;
    const n = image.width * image.height;
    for (let i = 0; i < n; i++) {
        const l = (image.pixels[4 * i] * 3 + image.pixels[4 * i + 1] * 6 + image.pixels[4 * i + 2]) / 10;
        sum += l;
        squares += l * l;
    }
    const mean = sum / n;
    return Math.sqrt(Math.max(0, squares / n - mean * mean));
}

function meanDifference(a, b) {
    let total = 0;
    for (let i = 0; i < a.pixels.length; i++) total += Math.abs(a.pixels[i] - b.pixels[i]);
    return total / a.pixels.length;
}

// ---- The DevTools protocol over the pipe. ----
class Browser {
    constructor(chromium, extra, profile) {
        this.child = spawn(chromium, ["--headless=new", "--remote-debugging-pipe", "--no-sandbox",
            "--no-first-run", "--no-default-browser-check", "--disable-extensions",
            "--disable-background-networking", "--disable-component-update", "--mute-audio",
            `--user-data-dir=${profile}`, "--window-size=1280,800", ...extra, "about:blank"],
            {stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"]});
        this.next = 1;
        this.waiting = new Map();
        this.listeners = [];
        this.stderr = "";
        this.child.stderr.on("data", d => { this.stderr += d; });
        let pending = Buffer.alloc(0);
        this.child.stdio[4].on("data", chunk => {
            pending = Buffer.concat([pending, chunk]);
            let end;
            while ((end = pending.indexOf(0)) >= 0) {
                const message = JSON.parse(pending.subarray(0, end).toString("utf8"));
                pending = pending.subarray(end + 1);
                if (message.id && this.waiting.has(message.id)) {
                    const {resolve, reject} = this.waiting.get(message.id);
                    this.waiting.delete(message.id);
                    message.error ? reject(new Error(JSON.stringify(message.error))) : resolve(message.result);
                } else this.listeners.forEach(l => l(message));
            }
        });
        this.closed = new Promise(resolve => this.child.on("exit", resolve));
    }
    send(method, params = {}, sessionId) {
        const id = this.next++;
        const message = {id, method, params};
        if (sessionId) message.sessionId = sessionId;
        this.child.stdio[3].write(JSON.stringify(message) + "\0");
        return new Promise((resolve, reject) => {
            this.waiting.set(id, {resolve, reject});
            setTimeout(() => {
                if (this.waiting.delete(id)) reject(new Error(`${method} got no answer`));
            }, 30000);
        });
    }
    async page() {
        const {targetId} = await this.send("Target.createTarget", {url: "about:blank"});
        const {sessionId} = await this.send("Target.attachToTarget", {targetId, flatten: true});
        const page = (method, params) => this.send(method, params, sessionId);
        await page("Page.enable");
        await page("Runtime.enable");
        const problems = [];
        this.listeners.push(m => {
            if (m.sessionId !== sessionId) return;
            if (m.method === "Runtime.exceptionThrown") problems.push(m.params.exceptionDetails.exception?.description ?? m.params.exceptionDetails.text);
            if (m.method === "Runtime.consoleAPICalled" && m.params.type === "error") problems.push(m.params.args.map(a => a.value).join(" "));
        });
        page.problems = problems;
        return page;
    }
    async close() {
        try { await this.send("Browser.close"); } catch { this.child.kill(); }
        await this.closed;
    }
}

async function evaluate(page, expression) {
    const {result, exceptionDetails} = await page("Runtime.evaluate", {expression, returnByValue: true, awaitPromise: true});
    if (exceptionDetails) throw new Error(exceptionDetails.exception?.description ?? exceptionDetails.text);
    return result.value;
}

// Asks the page until the condition holds; false when it never does.
async function waitFor(page, expression, ms = 20000) {
    const end = Date.now() + ms;
    while (Date.now() < end) {
        if (await evaluate(page, expression)) return true;
        await new Promise(r => setTimeout(r, 50));
    }
    return false;
}

async function shoot(page, rect, file) {
    const {data} = await page("Page.captureScreenshot", {format: "png", clip: {...rect, scale: 1}});
    const png = Buffer.from(data, "base64");
    if (file) fs.writeFileSync(file, png);
    return decodePng(png);
}

const rectOf = selector => `(() => { const r = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect();
    return {x: Math.round(r.left), y: Math.round(r.top), width: Math.round(r.width), height: Math.round(r.height)}; })()`;

async function click(page, rect) {
    const x = rect.x + rect.width / 2, y = rect.y + rect.height / 2;
    for (const type of ["mousePressed", "mouseReleased"])
        await page("Input.dispatchMouseEvent", {type, x, y, button: "left", clickCount: 1});
}

async function exercise(page, url, expected, shots, label) {
    await page("Page.navigate", {url});
    check(await waitFor(page, "window.orbViewer && orbViewer.index === 0 && orbViewer.view.frames > 0"),
          `${label}: the first panorama is shown`);
    const state = await evaluate(page, "({renderer: orbViewer.renderer, source: orbViewer.source, count: orbViewer.album.pictures.length, title: document.title})");
    check(state.renderer === expected.renderer, `${label}: drawn with ${state.renderer}, expected ${expected.renderer}`);
    check(state.source === expected.source, `${label}: album read by ${state.source}, expected ${expected.source}`);
    check(state.count === 3, `${label}: ${state.count} pictures in the album`);
    const view = await evaluate(page, rectOf("#orb-view"));
    const first = await shoot(page, view, shots && path.join(shots, `${label}-1-first.png`));
    const spread = luminanceSpread(first);
    check(spread > 12, `${label}: the first view is not blank (luminance spread ${spread.toFixed(1)})`);

    // Hold the button right of the centre: the view pans right until it is let go.
    const yaw = await evaluate(page, "orbViewer.view.state.yaw");
    const x = view.x + view.width * 0.85, y = view.y + view.height / 2;
    await page("Input.dispatchMouseEvent", {type: "mousePressed", x, y, button: "left", clickCount: 1});
    const turned = await waitFor(page, `Math.abs(orbViewer.view.state.yaw - ${yaw}) >= 20 && Math.abs(orbViewer.view.state.yaw - ${yaw}) < 300`);
    await page("Input.dispatchMouseEvent", {type: "mouseReleased", x, y, button: "left", clickCount: 1});
    check(turned, `${label}: dragging turns the view`);
    const frames = await evaluate(page, "orbViewer.view.frames");
    await waitFor(page, `orbViewer.view.frames > ${frames}`, 2000);
    const after = await shoot(page, view, shots && path.join(shots, `${label}-2-turned.png`));
    const moved = meanDifference(first, after);
    check(moved > 8, `${label}: the turned view differs from the first (${moved.toFixed(1)})`);

    // A wheel notch zooms in by 5, the next one in the same direction by 10; A zooms on
    // while it is held. The drag left the focus on the view.
    const focal = await evaluate(page, "orbViewer.view.state.focal");
    for (let notch = 0; notch < 2; notch++)
        await page("Input.dispatchMouseEvent", {type: "mouseWheel", x: view.x + 50, y: view.y + 50, deltaX: 0, deltaY: -100});
    check(await waitFor(page, `orbViewer.view.state.focal === ${focal + 15}`, 5000),
          `${label}: two wheel notches zoom in by 5 and 10`);
    await page("Input.dispatchKeyEvent", {type: "keyDown", key: "a", code: "KeyA", text: "a", windowsVirtualKeyCode: 65});
    check(await waitFor(page, `orbViewer.view.state.focal > ${focal + 15}`, 5000), `${label}: A zooms in`);
    await page("Input.dispatchKeyEvent", {type: "keyUp", key: "a", code: "KeyA", windowsVirtualKeyCode: 65});

    await click(page, await evaluate(page, rectOf("#orb-next")));
    check(await waitFor(page, "orbViewer.index === 1 && orbViewer.view.frames > 0"), `${label}: "Next" shows the second picture`);
    const name = await evaluate(page, "document.getElementById('orb-caption').textContent");
    check(name === expected.second, `${label}: the caption names ${name}`);
    const second = await shoot(page, view, shots && path.join(shots, `${label}-3-next.png`));
    const changed = meanDifference(after, second);
    check(changed > 8, `${label}: the next picture differs (${changed.toFixed(1)})`);
    // The whole page once, to look at.
    if (shots) {
        const {data} = await page("Page.captureScreenshot", {format: "png"});
        fs.writeFileSync(path.join(shots, `${label}-page.png`), Buffer.from(data, "base64"));
    }
    check(page.problems.length === 0, `${label}: no script errors ${page.problems.join("; ")}`);
}

// The page's album reader against the program's own: the same title, names, angles and
// picture sizes; cut or damaged files give no error and never more pictures.
async function readsLikeTheProgram(page, site, reference, url) {
    await page("Page.navigate", {url});
    await waitFor(page, "window.orbViewer && orbViewer.ready");
    const b64 = fs.readFileSync(path.join(site, "album.orb")).toString("base64");
    const result = await evaluate(page, `(() => {
        const raw = atob("${b64}"), bytes = new Uint8Array(raw.length);
        for (let i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
        const album = orbViewer.parseAlbum(bytes);
        const read = {title: album.title, info: album.info, pictures: album.pictures.map(p =>
            ({name: p.name, firstAngle: p.bottom, secondAngle: p.top, jpegSize: p.jpeg.length}))};
        let most = 0;
        for (let cut = 0; cut < bytes.length; cut += 1013)
            most = Math.max(most, orbViewer.parseAlbum(bytes.subarray(0, cut)).pictures.length);
        for (let i = 0; i < 300; i++) {
            const damaged = bytes.slice();
            damaged[(i * 7919) % damaged.length] ^= 0x80 >> (i % 8);
            most = Math.max(most, orbViewer.parseAlbum(damaged).pictures.length);
        }
        return {read, most};
    })()`);
    const expected = {title: reference.title, info: [reference.info.authorName, reference.info.authorAddress,
                      reference.info.authorHomePage], pictures: reference.pictures};
    check(JSON.stringify(result.read) === JSON.stringify(expected),
          `the page reads the album as orbpix does ${JSON.stringify(result.read)}`);
    check(result.most <= reference.pictures.length, "cut and damaged albums read without errors or extra pictures");
}

async function measure(page, url, label) {
    await page("Emulation.setDeviceMetricsOverride", {width: 1920, height: 1080 + 112, deviceScaleFactor: 1, mobile: false});
    await page("Page.navigate", {url});
    await waitFor(page, "window.orbViewer && orbViewer.index === 0 && orbViewer.view.frames > 0");
    const ms = await evaluate(page, `(() => {
        const v = orbViewer.view; v.drawNow();
        const t0 = performance.now();
        for (let i = 0; i < 40; i++) { v.turn(0, 3); v.drawNow(); }
        return (performance.now() - t0) / 40; })()`);
    // As the user sees it: frames drawn one after the other while the view keeps turning.
    const shown = await evaluate(page, `new Promise(resolve => {
        const v = orbViewer.view, start = v.frames, t0 = performance.now();
        const step = () => {
            if (v.frames - start >= 60) return resolve((performance.now() - t0) / (v.frames - start));
            v.turn(0, 3); requestAnimationFrame(step); };
        step(); })`);
    const size = await evaluate(page, "[orbViewer.view.state.width, orbViewer.view.state.height]");
    console.log(`frame ${label}: ${ms.toFixed(2)} ms drawn and read back, ${shown.toFixed(2)} ms per shown frame, at ${size[0]} x ${size[1]}`);
}

async function main() {
    const chromium = findChromium();
    if (!chromium) {
        console.log("SKIP: Chromium is not installed (scripts/install-deps installs it)");
        process.exit(77);
    }
    const work = path.resolve(args.work);
    fs.rmSync(work, {recursive: true, force: true});
    fs.mkdirSync(path.join(work, "home"), {recursive: true});
    const site = path.join(work, "site");
    const pictures = ["mars_1600x1200_normal.jpg", "mars_1200x900_reverse.jpg", "mars_1600x1200_ratio.jpg"]
        .map(p => path.join(args.pictures, p));
    const env = {...process.env, HOME: path.join(work, "home"), XDG_CONFIG_HOME: path.join(work, "config"),
                 XDG_CONFIG_DIRS: path.join(work, "machine"), XDG_DATA_HOME: path.join(work, "data")};
    const built = spawnSync(args.orbpix, ["web", "build", "-o", site, "--title", "Mars <trip>",
        "--reverse", pictures[1], ...pictures], {env, encoding: "utf8"});
    check(built.status === 0, `orbpix web build ${built.stderr.trim()}`);
    if (built.status !== 0) process.exit(1);
    const dumped = spawnSync(args.orbpix, ["orb", "dump", path.join(site, "album.orb"), "--json"], {env, encoding: "utf8"});
    const reference = JSON.parse(dumped.stdout);
    const shots = args.screenshots ? path.resolve(args.screenshots) : null;
    if (shots) fs.mkdirSync(shots, {recursive: true});

    const server = http.createServer((request, response) => {
        const file = path.join(site, decodeURIComponent(new URL(request.url, "http://x").pathname));
        if (!file.startsWith(site) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
            response.writeHead(404).end();
            return;
        }
        const types = {".html": "text/html", ".js": "text/javascript", ".css": "text/css"};
        response.writeHead(200, {"content-type": types[path.extname(file)] ?? "application/octet-stream"});
        fs.createReadStream(file).pipe(response);
    });
    await new Promise(resolve => server.listen(0, "127.0.0.1", resolve));
    const base = `http://127.0.0.1:${server.address().port}/index.html`;
    const fileUrl = "file://" + path.join(site, "index.html");
    const second = "mars_1200x900_reverse.jpg";

    const modes = [
        {name: "webgl", renderer: "webgl", flags: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader"]},
        {name: "canvas", renderer: "2d", flags: ["--disable-webgl", "--disable-3d-apis"]},
        // WebGL there but drawn by the processor: the page takes the 2D canvas itself.
        {name: "software", renderer: "2d", flags: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader"], auto: true},
    ];
    try {
        for (const mode of modes) {
            const browser = new Browser(process.env.CHROMIUM_PATH ?? chromium, mode.flags, path.join(work, "profile-" + mode.name));
            try {
                const page = await browser.page();
                // Headless Chromium draws WebGL in software, where the page would choose the 2D
                // canvas by itself; the WebGL run asks for WebGL.
                const query = mode.renderer === "webgl" ? "?renderer=webgl" : "";
                if (mode.auto) {
                    await page("Page.navigate", {url: fileUrl});
                    check(await waitFor(page, "window.orbViewer && orbViewer.index === 0 && orbViewer.view.frames > 0"),
                          "software: the first panorama is shown");
                    const kind = await evaluate(page, "orbViewer.renderer");
                    check(kind === "2d", `software: the page chose ${kind} over software WebGL`);
                    continue;
                }
                if (mode.name === "canvas") await readsLikeTheProgram(page, site, reference, fileUrl);
                await exercise(page, fileUrl + query, {renderer: mode.renderer, source: "script", second}, shots, `${mode.name}-file`);
                await exercise(page, base + query, {renderer: mode.renderer, source: "fetch", second}, shots, `${mode.name}-http`);
                if (args.measure) await measure(page, base + query, mode.name);
            } catch (error) {
                check(false, `${mode.name}: ${error.message}\n${browser.stderr.slice(-2000)}`);
            } finally {
                await browser.close();
            }
        }
    } finally {
        server.close();
    }
    const script = fs.statSync(path.join(site, "orbview.js")).size;
    const page = fs.statSync(path.join(site, "index.html")).size + fs.statSync(path.join(site, "orbview.css")).size;
    console.log(`viewer: script ${script} bytes, page and style ${page} bytes`);
    process.exit(failures ? 1 : 0);
}

main().catch(error => { console.error(error); process.exit(1); });
