// The album page's panorama viewer: reads the tour album file beside the page and shows
// its pictures the way the desktop view does. Plain script, no framework, no network
// beyond the album file itself.
(function () {
    "use strict";

    // ---- The tour album file: a block-scrambled stream of chunks. ----

    // The album key's four words and the bits each block word is turned by.
    var KEY = [0x6f72b5a3, 0x41c74e19, 0x9d2b6ce0, 0x5713a84f];
    var TURN = [3, 15, 19, 25];

    function unscramble(bytes) {
        var plain = new Uint8Array(bytes.length);
        var block = new DataView(new ArrayBuffer(16));
        for (var at = 0; at < bytes.length; at += 16) {
            var n = Math.min(16, bytes.length - at);
            for (var b = 0; b < 16; b++) block.setUint8(b, b < n ? bytes[at + b] : 0);
            for (var i = 0; i < 4; i++) {
                var v = block.getUint32(4 * i);
                var r = TURN[i];
                v = ((v << r) | (v >>> (32 - r))) ^ KEY[i];
                block.setUint32(4 * i, v >>> 0);
            }
            for (b = 0; b < n; b++) plain[at + b] = block.getUint8(b);
        }
        return plain;
    }

    function tag(text) {
        return ((text.charCodeAt(0) << 24) | (text.charCodeAt(1) << 16) |
                (text.charCodeAt(2) << 8) | text.charCodeAt(3)) >>> 0;
    }

    // Calls visit(tag, type, start, end) for each chunk between start and end; type is null
    // for a plain chunk. Sizes come from the file: anything that does not fit ends the walk.
    function walk(view, start, end, visit) {
        var at = start;
        while (at + 8 <= end) {
            var word = view.getUint32(at);
            var size = word & 0x7fffffff;
            var list = word >>> 31 === 1;
            var head = list ? 12 : 8;
            if (size < head || at + size > end) return;
            visit(view.getUint32(at + 4), list ? view.getUint32(at + 8) : null, at + head,
                  at + size);
            at += size;
        }
    }

    function readText(view, at, end) {
        if (at + 2 > end) return {text: "", next: end};
        var count = view.getUint16(at);
        var units = [];
        at += 2;
        for (var i = 0; i < count && at + 2 <= end; i++, at += 2) units.push(view.getUint16(at));
        var text = "";
        for (i = 0; i < units.length; i += 4096)
            text += String.fromCharCode.apply(null, units.slice(i, i + 4096));
        return {text: text, next: at};
    }

    function parseAlbum(scrambled) {
        var bytes = unscramble(scrambled);
        var view = new DataView(bytes.buffer);
        var album = {title: "", info: null, pictures: []};
        walk(view, 0, bytes.length, function (rootTag, rootType, s, e) {
            if (rootTag !== 0x00585858 || rootType !== tag("ORBF")) return;
            walk(view, s, e, function (t, type, s2, e2) {
                if (type !== tag("TOUR")) return;
                walk(view, s2, e2, function (t3, type3, s3, e3) {
                    if (t3 === tag("TITL") && type3 === null) {
                        album.title = readText(view, s3, e3).text;
                    } else if (t3 === tag("INFO") && type3 === null) {
                        var lines = [];
                        for (var k = 0, at = s3; k < 3; k++) {
                            var line = readText(view, at, e3);
                            lines.push(line.text);
                            at = line.next;
                        }
                        album.info = lines;
                    } else if (type3 === tag("IMAG")) {
                        // Unstated angles read as top below bottom: the usual limits then.
                        var picture = {name: "", bottom: 64, top: -26, jpeg: null};
                        walk(view, s3, e3, function (t4, type4, s4, e4) {
                            if (type4 !== null) return;
                            if (t4 === tag("TITL")) picture.name = readText(view, s4, e4).text;
                            else if (t4 === tag("JPEG")) picture.jpeg = bytes.subarray(s4, e4);
                            else if (t4 === tag("PHIR") && e4 - s4 >= 8) {
                                picture.bottom = view.getInt32(s4);
                                picture.top = view.getInt32(s4 + 4);
                            }
                        });
                        if (picture.top <= picture.bottom) {
                            picture.top = 26;
                            picture.bottom = -64;
                        }
                        album.pictures.push(picture);
                    }
                });
            });
        });
        return album;
    }

    // Over a web server the album file is fetched; a page opened from disk may not read its
    // neighbours, so there the script that carries the same bytes is loaded instead.
    function loadAlbumBytes(name) {
        function fromScript() {
            return new Promise(function (resolve, reject) {
                var script = document.createElement("script");
                script.src = name + ".js";
                script.onload = function () {
                    var text = window.orbAlbumFiles && window.orbAlbumFiles[name];
                    if (!text) return reject(new Error("the album script is empty"));
                    var raw = atob(text);
                    var bytes = new Uint8Array(raw.length);
                    for (var i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
                    resolve({bytes: bytes, source: "script"});
                };
                script.onerror = function () {
                    reject(new Error("the album file " + name + " could not be read"));
                };
                document.head.appendChild(script);
            });
        }
        if (location.protocol === "file:" || !window.fetch) return fromScript();
        return fetch(name).then(function (response) {
            if (!response.ok) throw new Error(response.status);
            return response.arrayBuffer();
        }).then(function (buffer) {
            return {bytes: new Uint8Array(buffer), source: "fetch"};
        }, fromScript);
    }

    function decodePicture(jpeg) {
        var blob = new Blob([jpeg], {type: "image/jpeg"});
        if (window.createImageBitmap) return createImageBitmap(blob);
        return new Promise(function (resolve, reject) {
            var image = new Image();
            var url = URL.createObjectURL(blob);
            image.onload = function () { URL.revokeObjectURL(url); resolve(image); };
            image.onerror = function () { URL.revokeObjectURL(url); reject(new Error("bad JPEG")); };
            image.src = url;
        });
    }

    // ---- Projection: the desktop view's, per pixel. ----

    // The pitch actually shown: the view stays between the strip's top and bottom angles.
    function shownPitch(pitch, focal, height, limits) {
        var h2 = height >> 1;
        var f = Math.max(focal, h2);
        var half = Math.atan2(h2, f) * 180 / Math.PI;
        if (pitch - half <= -limits.top) return half - limits.top;
        if (pitch + half >= -limits.bottom) return -limits.bottom - half;
        return pitch;
    }

    // Like the desktop renderer, exact ray directions only at the nodes of a grid (the vertices
    // of a mesh over the view); the card interpolates between them. The strip's column stays
    // unwrapped across the mesh and wraps per pixel, so the seam needs no care.
    var VERTEX = [
        "attribute vec2 p;uniform vec2 size;uniform float focal,pitch,yaw,top;varying vec2 t;",
        "void main(){",
        " float x=p.x-size.x*.5, y=p.y-size.y*.5;",
        " float c=cos(pitch), s=sin(pitch);",
        " float z=s*focal+c*y, d=c*focal-s*y;",
        " float a=degrees(atan(x,d)), b=degrees(asin(clamp(z/length(vec3(x,y,focal)),-1.,1.)));",
        " t=vec2((yaw+a)/360.,clamp((top+b)/90.,0.,1.));",
        " gl_Position=vec4(p.x/size.x*2.-1.,1.-p.y/size.y*2.,0.,1.);",
        "}"].join("\n");
    var FRAGMENT = [
        "#ifdef GL_FRAGMENT_PRECISION_HIGH",
        "precision highp float;",
        "#else",
        "precision mediump float;",
        "#endif",
        "uniform sampler2D strip;varying vec2 t;",
        "void main(){gl_FragColor=texture2D(strip,vec2(fract(t.x),t.y));}"].join("\n");

    // The mesh of a view: vertices every step pixels (and on the far edges), two triangles a
    // cell. The step grows on very large views so that 16-bit indices suffice.
    function viewMesh(width, height) {
        var step = 8;
        while ((Math.ceil(width / step) + 1) * (Math.ceil(height / step) + 1) > 65535) step *= 2;
        var xs = [], ys = [], x, y;
        for (x = 0; x < width; x += step) xs.push(x);
        xs.push(width);
        for (y = 0; y < height; y += step) ys.push(y);
        ys.push(height);
        var points = new Float32Array(xs.length * ys.length * 2);
        var k = 0;
        for (y = 0; y < ys.length; y++)
            for (x = 0; x < xs.length; x++) {
                points[k++] = xs[x];
                points[k++] = ys[y];
            }
        var indices = new Uint16Array((xs.length - 1) * (ys.length - 1) * 6);
        k = 0;
        for (y = 0; y + 1 < ys.length; y++)
            for (x = 0; x + 1 < xs.length; x++) {
                var i = y * xs.length + x, below = i + xs.length;
                indices.set([i, i + 1, below, i + 1, below + 1, below], k);
                k += 6;
            }
        return {points: points, indices: indices};
    }

    function GlRenderer(canvas) {
        var gl = canvas.getContext("webgl", {antialias: false, alpha: false}) ||
                 canvas.getContext("experimental-webgl");
        if (!gl) throw new Error("no WebGL");
        function shader(kind, source) {
            var s = gl.createShader(kind);
            gl.shaderSource(s, source);
            gl.compileShader(s);
            if (!gl.getShaderParameter(s, gl.COMPILE_STATUS)) throw new Error(gl.getShaderInfoLog(s));
            return s;
        }
        var program = gl.createProgram();
        gl.attachShader(program, shader(gl.VERTEX_SHADER, VERTEX));
        gl.attachShader(program, shader(gl.FRAGMENT_SHADER, FRAGMENT));
        gl.linkProgram(program);
        if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error("no shader");
        gl.useProgram(program);
        gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
        gl.bindBuffer(gl.ELEMENT_ARRAY_BUFFER, gl.createBuffer());
        var position = gl.getAttribLocation(program, "p");
        gl.enableVertexAttribArray(position);
        gl.vertexAttribPointer(position, 2, gl.FLOAT, false, 0, 0);
        var meshSize = "", meshCount = 0;
        var texture = gl.createTexture();
        gl.bindTexture(gl.TEXTURE_2D, texture);
        [gl.TEXTURE_WRAP_S, gl.TEXTURE_WRAP_T].forEach(function (p) {
            gl.texParameteri(gl.TEXTURE_2D, p, gl.CLAMP_TO_EDGE);
        });
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.LINEAR);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.LINEAR);
        var uniforms = {};
        ["strip", "size", "focal", "pitch", "yaw", "top"].forEach(function (n) {
            uniforms[n] = gl.getUniformLocation(program, n);
        });
        var maxSide = gl.getParameter(gl.MAX_TEXTURE_SIZE);
        this.kind = "webgl";
        this.setPicture = function (image) {
            var source = image;
            // A strip wider than the card takes is drawn smaller first.
            if (image.width > maxSide || image.height > maxSide) {
                var k = Math.min(maxSide / image.width, maxSide / image.height);
                source = document.createElement("canvas");
                source.width = Math.floor(image.width * k);
                source.height = Math.floor(image.height * k);
                source.getContext("2d").drawImage(image, 0, 0, source.width, source.height);
            }
            gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, gl.RGBA, gl.UNSIGNED_BYTE, source);
        };
        this.draw = function (v) {
            if (meshSize !== v.width + "x" + v.height) {
                var mesh = viewMesh(v.width, v.height);
                gl.bufferData(gl.ARRAY_BUFFER, mesh.points, gl.STATIC_DRAW);
                gl.bufferData(gl.ELEMENT_ARRAY_BUFFER, mesh.indices, gl.STATIC_DRAW);
                meshSize = v.width + "x" + v.height;
                meshCount = mesh.indices.length;
            }
            gl.viewport(0, 0, canvas.width, canvas.height);
            gl.uniform1i(uniforms.strip, 0);
            gl.uniform2f(uniforms.size, v.width, v.height);
            gl.uniform1f(uniforms.focal, v.focal);
            gl.uniform1f(uniforms.pitch, v.pitch * Math.PI / 180);
            gl.uniform1f(uniforms.yaw, v.yaw);
            gl.uniform1f(uniforms.top, v.top);
            gl.drawElements(gl.TRIANGLES, meshCount, gl.UNSIGNED_SHORT, 0);
        };
        // Reading a pixel back waits until the frame is really drawn.
        var probe = new Uint8Array(4);
        this.finish = function () { gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, probe); };
    }

    // Without WebGL: exact directions on a grid of every 8th pixel, the pixels between
    // interpolated, as the desktop renderer does.
    function CanvasRenderer(canvas) {
        var context = canvas.getContext("2d");
        var strip = null, sw = 0, sh = 0;
        this.kind = "2d";
        this.setPicture = function (image) {
            var c = document.createElement("canvas");
            c.width = sw = image.width;
            c.height = sh = image.height;
            var cx = c.getContext("2d");
            cx.drawImage(image, 0, 0);
            strip = new Uint32Array(cx.getImageData(0, 0, sw, sh).data.buffer);
        };
        this.draw = function (v) {
            var w = canvas.width, h = canvas.height;
            if (!strip || !w || !h) return;
            var k = w / v.width;
            var f = v.focal * k, pitch = v.pitch * Math.PI / 180;
            var c = Math.cos(pitch), s = Math.sin(pitch);
            var gc = (w >> 3) + 2, gr = (h >> 3) + 2;
            var gu = new Float32Array(gc * gr), gv = new Float32Array(gc * gr);
            var deg = 180 / Math.PI;
            for (var r = 0; r < gr; r++) {
                var y = r * 8 - h / 2;
                var z = s * f + c * y, d = c * f - s * y;
                for (var col = 0; col < gc; col++) {
                    var x = col * 8 - w / 2;
                    var a = Math.atan2(x, d) * deg;
                    var b = Math.asin(Math.max(-1, Math.min(1, z / Math.sqrt(x * x + y * y + f * f)))) * deg;
                    var u = (v.yaw + a) / 360;
                    gu[r * gc + col] = (u - Math.floor(u)) * sw;
                    gv[r * gc + col] = Math.max(0, Math.min(sh - 1, (v.top + b) / 90 * sh));
                }
            }
            var out = context.createImageData(w, h);
            var pixels = new Uint32Array(out.data.buffer);
            for (r = 0; r + 1 < gr; r++) {
                for (col = 0; col + 1 < gc; col++) {
                    var i = r * gc + col;
                    var u00 = gu[i], u10 = gu[i + 1], u01 = gu[i + gc], u11 = gu[i + gc + 1];
                    // A cell across the seam continues on the other end of the strip.
                    var hi = Math.max(u00, u10, u01, u11);
                    if (hi - Math.min(u00, u10, u01, u11) > sw / 2) {
                        if (u00 < sw / 2) u00 += sw;
                        if (u10 < sw / 2) u10 += sw;
                        if (u01 < sw / 2) u01 += sw;
                        if (u11 < sw / 2) u11 += sw;
                    }
                    var v00 = gv[i], v10 = gv[i + 1], v01 = gv[i + gc], v11 = gv[i + gc + 1];
                    var y0 = r * 8, x0 = col * 8;
                    var ye = Math.min(8, h - y0), xe = Math.min(8, w - x0);
                    for (var yy = 0; yy < ye; yy++) {
                        var t = yy / 8;
                        var ul = u00 + (u01 - u00) * t, ur = u10 + (u11 - u10) * t;
                        var vl = v00 + (v01 - v00) * t, vr = v10 + (v11 - v10) * t;
                        var du = (ur - ul) / 8, dv = (vr - vl) / 8;
                        var o = (y0 + yy) * w + x0;
                        for (var xx = 0; xx < xe; xx++) {
                            var uu = ul | 0;
                            if (uu >= sw) uu -= sw;
                            pixels[o + xx] = strip[(vl | 0) * sw + uu];
                            ul += du;
                            vl += dv;
                        }
                    }
                }
            }
            context.putImageData(out, 0, 0);
        };
        this.finish = function () {};
    }

    // ---- The view: the desktop control's input rules. ----

    // Whether WebGL is drawn by the processor: the 2D canvas is then several times faster.
    function softwareGl() {
        try {
            var gl = document.createElement("canvas").getContext("webgl");
            if (!gl) return false;
            var debug = gl.getExtension("WEBGL_debug_renderer_info");
            var name = debug ? gl.getParameter(debug.UNMASKED_RENDERER_WEBGL) : "";
            var lose = gl.getExtension("WEBGL_lose_context");
            if (lose) lose.loseContext();
            return /swiftshader|llvmpipe|softpipe|software/i.test(name);
        } catch (e) {
            return false;
        }
    }

    // The page address may ask for a renderer: "?renderer=webgl" or "?renderer=2d".
    function chooseRenderer(canvas) {
        var wanted = (/[?&]renderer=(\w+)/.exec(location.search) || [])[1];
        if (wanted !== "2d" && (wanted === "webgl" || !softwareGl())) {
            try {
                return new GlRenderer(canvas);
            } catch (e) {
                // No WebGL here: the canvas below.
            }
        }
        return new CanvasRenderer(canvas);
    }

    function PanoramaView(canvas, onChange) {
        var self = this;
        var renderer = chooseRenderer(canvas);
        var state = {pitch: 30, yaw: 360, focal: 256, width: 0, height: 0};
        var limits = {top: 26, bottom: -64};
        var speed = {pitch: 0, yaw: 0}, zoomStep = 0, wheelSum = 0, timer = 0, dragging = false;
        var touch = null, hasPicture = false, pending = false;
        this.frames = 0;
        this.renderer = renderer.kind;
        this.state = state;

        function setView(pitch, yaw, focal) {
            if (yaw >= 360) yaw -= 360;
            if (yaw <= 0) yaw += 360;
            pitch = Math.max(-45, Math.min(45, pitch));
            if (focal > 1024) focal = 1024;
            if (2 * focal < state.height) focal = state.height >> 1;
            state.pitch = pitch;
            state.yaw = yaw;
            state.focal = focal;
            request();
        }
        function moveView(dp, dy, df) {
            setView(state.pitch + dp, state.yaw - dy, state.focal + df);
        }
        this.zoom = function (step) {
            if (step * wheelSum < 0) wheelSum = 0;
            wheelSum += step;
            moveView(0, 0, wheelSum);
        };
        this.turn = function (dp, dy, df) { moveView(dp, dy, df || 0); };
        this.canZoomIn = function () { return state.focal < 1024; };
        this.canZoomOut = function () { return state.height < 2 * state.focal; };

        function draw() {
            pending = false;
            if (!hasPicture) return;
            var shown = {width: state.width, height: state.height, focal: Math.max(state.focal, state.height >> 1),
                         pitch: shownPitch(state.pitch, state.focal, state.height, limits),
                         yaw: state.yaw, top: limits.top};
            renderer.draw(shown);
            self.frames++;
            onChange();
        }
        function request() {
            if (!pending) {
                pending = true;
                requestAnimationFrame(draw);
            }
        }
        this.drawNow = function () { draw(); renderer.finish(); };

        this.resize = function () {
            var w = canvas.clientWidth, h = canvas.clientHeight;
            if (!w || !h) return;
            var scale = renderer.kind === "webgl" ? (window.devicePixelRatio || 1) : 1;
            canvas.width = Math.round(w * scale);
            canvas.height = Math.round(h * scale);
            var focal = state.width ? Math.floor(state.focal * w / state.width) : state.focal;
            state.width = w;
            state.height = h;
            setView(state.pitch, state.yaw, focal);
        };

        this.setPicture = function (image, picture) {
            renderer.setPicture(image);
            limits = {top: picture.top, bottom: picture.bottom};
            hasPicture = true;
            speed.pitch = speed.yaw = 0;
            wheelSum = 0;
            setView(30, 0, 256);
        };

        function tick() {
            if (speed.pitch || speed.yaw || zoomStep) moveView(speed.pitch, -speed.yaw, zoomStep);
        }
        function startTimer() { if (!timer) timer = setInterval(tick, 25); }
        function stopTimer() { clearInterval(timer); timer = 0; }

        // The mouse steers: the farther the pointer from the centre, the faster it turns.
        function steer(event) {
            var box = canvas.getBoundingClientRect();
            speed.yaw = (event.clientX - box.left) * 10 / box.width - 5;
            speed.pitch = (event.clientY - box.top) * 10 / box.height - 5;
        }
        canvas.addEventListener("pointerdown", function (event) {
            if (event.pointerType === "touch" || event.button !== 0) return;
            canvas.focus();
            speed.pitch = speed.yaw = 0;
            zoomStep = 0;
            dragging = true;
            canvas.setPointerCapture(event.pointerId);
            steer(event);
            startTimer();
            event.preventDefault();
        });
        canvas.addEventListener("pointermove", function (event) {
            if (dragging && event.pointerType !== "touch") steer(event);
        });
        function endDrag(event) {
            if (!dragging || event.pointerType === "touch") return;
            dragging = false;
            stopTimer();
            speed.pitch = speed.yaw = 0;
        }
        canvas.addEventListener("pointerup", endDrag);
        canvas.addEventListener("pointercancel", endDrag);
        canvas.addEventListener("lostpointercapture", endDrag);

        canvas.addEventListener("wheel", function (event) {
            var unit = event.deltaMode === 1 ? 40 : event.deltaMode === 2 ? 360 : 1.2;
            var delta = Math.round(-event.deltaY * unit);
            var step = (delta * 5 / 120) | 0;
            if (step) self.zoom(step);
            event.preventDefault();
        }, {passive: false});

        canvas.addEventListener("keydown", function (event) {
            var key = event.key;
            if (key === "PageUp" || key === "a" || key === "A") zoomStep += 1;
            else if (key === "PageDown" || key === "z" || key === "Z") zoomStep -= 1;
            else {
                // Arrow keys turn the view, for those who cannot drag.
                var turns = {ArrowLeft: [0, -5], ArrowRight: [0, 5], ArrowUp: [-5, 0], ArrowDown: [5, 0]};
                if (turns[key]) {
                    moveView(turns[key][0], -turns[key][1], 0);
                    event.preventDefault();
                }
                zoomStep = 0;
                return;
            }
            event.preventDefault();
            if (zoomStep) startTimer();
        });
        canvas.addEventListener("keyup", function () {
            zoomStep = 0;
            if (!dragging) stopTimer();
        });

        // Fingers grab the picture: one drags it along, two pinch to zoom.
        function touches(event) {
            return Array.prototype.map.call(event.touches, function (t) { return {x: t.clientX, y: t.clientY}; });
        }
        canvas.addEventListener("touchstart", function (event) {
            touch = touches(event);
            event.preventDefault();
        }, {passive: false});
        canvas.addEventListener("touchmove", function (event) {
            var now = touches(event);
            if (!touch || now.length !== touch.length) {
                touch = now;
                return;
            }
            var f = Math.max(state.focal, state.height >> 1);
            var perPixel = Math.atan2(1, f) * 180 / Math.PI;
            if (now.length === 1) {
                moveView((now[0].y - touch[0].y) * perPixel, (now[0].x - touch[0].x) * perPixel, 0);
            } else if (now.length === 2) {
                var span = function (t) { return Math.hypot(t[0].x - t[1].x, t[0].y - t[1].y); };
                var before = span(touch), after = span(now);
                if (before > 0) setView(state.pitch, state.yaw, Math.round(state.focal * after / before));
            }
            touch = now;
            event.preventDefault();
        }, {passive: false});
        canvas.addEventListener("touchend", function (event) { touch = touches(event); });
    }

    // ---- The page. ----

    function byId(id) { return document.getElementById(id); }

    function start() {
        var root = byId("orb-app");
        var canvas = byId("orb-view");
        var status = byId("orb-status");
        var caption = byId("orb-caption");
        var list = byId("orb-list-items");
        var album = null, current = -1, token = 0;
        // What the page shows, for scripts that drive it (and the album reader itself).
        var viewer = window.orbViewer = {ready: false, index: -1, source: "", error: "",
                                         parseAlbum: parseAlbum};

        function say(text) {
            status.textContent = text;
            status.hidden = !text;
        }
        function update() {
            byId("orb-zoom-in").disabled = !view.canZoomIn();
            byId("orb-zoom-out").disabled = !view.canZoomOut();
        }
        var view = new PanoramaView(canvas, update);
        viewer.view = view;
        viewer.renderer = view.renderer;
        root.setAttribute("data-renderer", view.renderer);

        function show(index) {
            if (!album || !album.pictures.length) return;
            var count = album.pictures.length;
            index = ((index % count) + count) % count;
            var picture = album.pictures[index];
            var mine = ++token;
            current = index;
            caption.textContent = picture.name || "Picture " + (index + 1);
            byId("orb-count").textContent = (index + 1) + " / " + count;
            Array.prototype.forEach.call(list.children, function (item, i) {
                var button = item.firstChild;
                if (i === index) button.setAttribute("aria-current", "true");
                else button.removeAttribute("aria-current");
            });
            canvas.setAttribute("aria-label", "Panorama " + caption.textContent +
                                ". Drag or use the arrow keys to look around, A and Z to zoom.");
            say("Loading " + caption.textContent + "\u2026");
            decodePicture(picture.jpeg).then(function (image) {
                if (mine !== token) return;
                view.setPicture(image, picture);
                viewer.index = index;
                say("");
            }, function () {
                if (mine === token) say("The picture " + caption.textContent + " cannot be shown.");
            });
        }
        viewer.show = show;

        byId("orb-prev").addEventListener("click", function () { show(current - 1); });
        byId("orb-next").addEventListener("click", function () { show(current + 1); });
        // Held down, a zoom button zooms ever faster, as the desktop's do; pressed from the
        // keyboard it takes one even step.
        [["orb-zoom-in", 1], ["orb-zoom-out", -1]].forEach(function (pair) {
            var button = byId(pair[0]), held = 0;
            function release() { clearInterval(held); held = 0; }
            button.addEventListener("pointerdown", function (event) {
                if (event.button !== 0) return;
                release();
                view.zoom(pair[1]);
                held = setInterval(function () {
                    // A button that reached its end takes no more presses, nor its release.
                    if (button.disabled) release();
                    else view.zoom(pair[1]);
                }, 25);
                button.setPointerCapture(event.pointerId);
            });
            ["pointerup", "pointercancel", "lostpointercapture"].forEach(function (type) {
                button.addEventListener(type, release);
            });
            button.addEventListener("click", function (event) {
                if (event.detail === 0) view.turn(0, 0, 32 * pair[1]);
            });
        });
        function toggle(button, panel) {
            button.addEventListener("click", function () {
                var open = panel.hidden;
                panel.hidden = !open;
                button.setAttribute("aria-expanded", String(open));
                if (open) {
                    var first = panel.querySelector("[aria-current], button, a");
                    if (first) first.focus();
                }
            });
        }
        toggle(byId("orb-list-button"), byId("orb-list"));
        toggle(byId("orb-info-button"), byId("orb-info"));
        var full = byId("orb-full");
        if (!root.requestFullscreen) full.hidden = true;
        full.addEventListener("click", function () {
            if (document.fullscreenElement) document.exitFullscreen();
            else root.requestFullscreen();
        });
        document.addEventListener("fullscreenchange", function () {
            full.setAttribute("aria-pressed", String(!!document.fullscreenElement));
        });
        document.addEventListener("keydown", function (event) {
            if (event.ctrlKey || event.metaKey || event.altKey) return;
            if (event.target.closest && event.target.closest("input, textarea")) return;
            if (event.key === "n" || event.key === "N") show(current + 1);
            else if (event.key === "p" || event.key === "P") show(current - 1);
            else if (event.key === "Escape") {
                // A panel closes and its button takes back the focus.
                [["orb-list", "orb-list-button"], ["orb-info", "orb-info-button"]].forEach(function (pair) {
                    var panel = byId(pair[0]), button = byId(pair[1]);
                    if (panel.hidden) return;
                    var inside = panel.contains(document.activeElement);
                    panel.hidden = true;
                    button.setAttribute("aria-expanded", "false");
                    if (inside) button.focus();
                });
            }
        });
        var info = byId("orb-info");
        var lines = Array.prototype.filter.call(info.querySelectorAll("[data-line]"), function (line) {
            return line.textContent.trim() !== "";
        });
        if (!lines.length) byId("orb-info-button").hidden = true;

        // The hint on how to look around goes with the first use of the view, or after a while.
        var hint = byId("orb-hint");
        if (window.matchMedia && matchMedia("(pointer: coarse)").matches)
            hint.textContent = "Drag to look around \u00b7 pinch to zoom";
        function dismiss() { hint.classList.add("orb-gone"); }
        ["pointerdown", "wheel", "keydown", "touchstart"].forEach(function (type) {
            canvas.addEventListener(type, dismiss, {passive: true});
        });
        setTimeout(dismiss, 8000);

        if (window.ResizeObserver) new ResizeObserver(function () { view.resize(); }).observe(canvas);
        window.addEventListener("resize", function () { view.resize(); });
        view.resize();

        say("Loading the album\u2026");
        loadAlbumBytes(root.getAttribute("data-album") || "album.orb").then(function (loaded) {
            viewer.source = loaded.source;
            album = parseAlbum(loaded.bytes);
            viewer.album = album;
            if (album.title) byId("orb-title").textContent = album.title;
            list.textContent = "";
            album.pictures.forEach(function (picture, i) {
                var item = document.createElement("li");
                var button = document.createElement("button");
                button.type = "button";
                button.textContent = picture.name || "Picture " + (i + 1);
                button.addEventListener("click", function () {
                    show(i);
                    byId("orb-list").hidden = true;
                    byId("orb-list-button").setAttribute("aria-expanded", "false");
                    canvas.focus();
                });
                item.appendChild(button);
                list.appendChild(item);
            });
            var single = album.pictures.length < 2;
            byId("orb-prev").disabled = byId("orb-next").disabled = single;
            viewer.ready = true;
            if (!album.pictures.length) say("This album has no pictures.");
            else show(0);
        }, function (error) {
            viewer.error = String(error && error.message || error);
            say("The album could not be loaded: " + viewer.error);
        });
    }

    if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
    else start();
})();
