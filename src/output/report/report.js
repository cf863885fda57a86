// Draws the report from its two JSON blocks: the plan of every section and
// network line, the index with its long profile, and one chart per section,
// drawn only when it scrolls into view. Plain DOM, canvas and SVG.
(function () {
  'use strict';
  // Milliseconds from navigation to each stage of opening, for the benchmark and the browser test.
  var timing = { script: performance.now() };
  document.documentElement.classList.remove('no-js');

  var SVG = 'http://www.w3.org/2000/svg';
  var GROUP = { 1: 'L', 2: 'C', 3: 'R' };
  var style = getComputedStyle(document.documentElement);
  var COLOR = {
    1: style.getPropertyValue('--left').trim() || '#0072b2',
    2: style.getPropertyValue('--centre').trim() || '#d55e00',
    3: style.getPropertyValue('--right').trim() || '#009e73'
  };
  var sections = JSON.parse(document.getElementById('kx-sections').textContent);
  var run = JSON.parse(document.getElementById('kx-run').textContent);
  var letter = run.letter;
  timing.parsed = performance.now();

  // What every view needs of a section, worked out once.
  sections.forEach(function (s, i) {
    s.n = i + 1;
    s.L = 0; s.C = 0; s.R = 0;
    s.low = -1;
    var minX = Infinity, maxX = -Infinity;
    for (var k = 0; k < s.g.length; k++) {
      var g = s.g.charCodeAt(k) - 48;
      s[GROUP[g]]++;
      if (s.x[k] < minX) minX = s.x[k];
      if (s.x[k] > maxX) maxX = s.x[k];
      if (g === 2 && (s.low < 0 || s.z[k] < s.z[s.low])) s.low = k;
    }
    s.width = s.x.length ? maxX - minX : null;
    s.bedZ = s.bed ? s.bed[2] : (s.low >= 0 ? s.z[s.low] : null);
    s.messages = [];
    s.file = s.csv.replace(/^.*[\\/]/, '');
  });
  run.messages.forEach(function (m) { if (m[1] >= 0 && sections[m[1]]) sections[m[1]].messages.push(m[0]); });

  function el(tag, attrs, text) {
    var e = document.createElement(tag);
    if (attrs) for (var a in attrs) e.setAttribute(a, attrs[a]);
    if (text !== undefined) e.textContent = text;
    return e;
  }
  function svgEl(parent, tag, attrs, text) {
    var e = document.createElementNS(SVG, tag);
    for (var a in attrs) e.setAttribute(a, attrs[a]);
    if (text !== undefined) e.textContent = text;
    parent.appendChild(e);
    return e;
  }
  // The least and greatest of a list (a loop: a spread of many values would overflow the stack).
  function range(values) {
    var lo = Infinity, hi = -Infinity;
    for (var i = 0; i < values.length; i++) {
      if (values[i] < lo) lo = values[i];
      if (values[i] > hi) hi = values[i];
    }
    return [lo, hi];
  }
  function fmt(v, d) { return v === null || v === undefined ? '' : String(+v.toFixed(d === undefined ? 3 : d)); }
  // Round steps of 1, 2 or 5 times a power of ten, about `count` of them over [lo, hi].
  function ticks(lo, hi, count) {
    if (!(hi > lo)) { hi = lo + 1; lo = lo - 1; }
    var raw = (hi - lo) / count, p = Math.pow(10, Math.floor(Math.log10(raw)));
    var step = raw / p >= 5 ? 5 * p : raw / p >= 2 ? 2 * p : p;
    var out = [];
    for (var v = Math.ceil(lo / step) * step; v <= hi + step * 1e-9; v += step) out.push(+v.toFixed(10));
    return out;
  }
  function goTo(index) {
    var target = document.getElementById('xs-' + (index + 1));
    if (!target) return;
    history.replaceState(null, '', '#xs-' + (index + 1));
    target.scrollIntoView();
  }

  // ---- Plan view -------------------------------------------------------
  var plan = document.getElementById('plan');
  var planTip = document.getElementById('plan-tip');
  var ctx = plan.getContext('2d');
  var bounds = { x0: Infinity, y0: Infinity, x1: -Infinity, y1: -Infinity };
  function grow(xs, ys) {
    for (var i = 0; i < xs.length; i++) {
      if (xs[i] < bounds.x0) bounds.x0 = xs[i];
      if (xs[i] > bounds.x1) bounds.x1 = xs[i];
      if (ys[i] < bounds.y0) bounds.y0 = ys[i];
      if (ys[i] > bounds.y1) bounds.y1 = ys[i];
    }
  }
  sections.forEach(function (s) {
    s.ptx = s.px || s.lx;
    s.pty = s.py || s.ly;
    grow(s.lx, s.ly); grow(s.ptx, s.pty);
    if (s.gx) grow(s.gx, s.gy);
    if (s.bed) grow([s.bed[0]], [s.bed[1]]);
    var b = { x0: Infinity, y0: Infinity, x1: -Infinity, y1: -Infinity };
    for (var i = 0; i < s.lx.length; i++) {
      b.x0 = Math.min(b.x0, s.lx[i]); b.x1 = Math.max(b.x1, s.lx[i]);
      b.y0 = Math.min(b.y0, s.ly[i]); b.y1 = Math.max(b.y1, s.ly[i]);
    }
    s.box = b;
  });
  run.channels.concat(run.branches).forEach(function (l) { grow(l.x, l.y); });
  if (!(bounds.x1 >= bounds.x0)) bounds = { x0: 0, y0: 0, x1: 1, y1: 1 };

  var view = null;  // map to canvas: px = (x - cx) * k + w / 2, py = h / 2 - (y - cy) * k
  var ratio = window.devicePixelRatio || 1;
  function sizeCanvas(canvas) {
    var w = canvas.clientWidth || 900, h = canvas.clientHeight || 300;
    if (canvas.width !== Math.round(w * ratio) || canvas.height !== Math.round(h * ratio)) {
      canvas.width = Math.round(w * ratio);
      canvas.height = Math.round(h * ratio);
    }
    return { w: w, h: h };
  }
  function fitAll() {
    var size = sizeCanvas(plan);
    var dx = Math.max(bounds.x1 - bounds.x0, 1e-9), dy = Math.max(bounds.y1 - bounds.y0, 1e-9);
    view = { cx: (bounds.x0 + bounds.x1) / 2, cy: (bounds.y0 + bounds.y1) / 2,
             k: 0.92 * Math.min(size.w / dx, size.h / dy) };
    if (bounds.x1 - bounds.x0 < 1e-9 && bounds.y1 - bounds.y0 < 1e-9) view.k = 1;
  }
  function toPx(x, y, size) { return [(x - view.cx) * view.k + size.w / 2, size.h / 2 - (y - view.cy) * view.k]; }
  // A polyline in canvas pixels; a vertex closer than a pixel to the one drawn
  // before it adds nothing visible and is passed over (the last one never is).
  function polyline(xs, ys, size) {
    var n = xs.length;
    if (n < 2) return;
    var k = view.k, ox = size.w / 2 - view.cx * k, oy = size.h / 2 + view.cy * k;
    var lx = xs[0] * k + ox, ly = oy - ys[0] * k;
    ctx.moveTo(lx, ly);
    for (var i = 1; i < n; i++) {
      var px = xs[i] * k + ox, py = oy - ys[i] * k;
      if (i < n - 1 && Math.abs(px - lx) < 0.75 && Math.abs(py - ly) < 0.75) continue;
      ctx.lineTo(px, py);
      lx = px; ly = py;
    }
  }
  // The points go into a pixel buffer of their own: a million squares cost
  // no more than the pixels they cover.
  var pointLayer = document.createElement('canvas');
  function packed(hex) {
    var v = parseInt(hex.replace('#', ''), 16);
    return (0xFF000000 | ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF)) >>> 0;
  }
  var PACKED = { 49: packed(COLOR[1]), 50: packed(COLOR[2]), 51: packed(COLOR[3]) };
  function drawPoints(size) {
    var w = plan.width, h = plan.height;
    if (!w || !h) return;
    pointLayer.width = w; pointLayer.height = h;
    var lctx = pointLayer.getContext('2d');
    var image = lctx.createImageData(w, h);
    var buf = new Uint32Array(image.data.buffer);
    var k = view.k * ratio, ox = (size.w / 2) * ratio - view.cx * k, oy = (size.h / 2) * ratio + view.cy * k;
    var r = Math.round(Math.max(1.5, Math.min(3, view.k * 0.5)) * ratio);
    var any = false;
    for (var n = 0; n < sections.length; n++) {
      var s = sections[n], xs = s.ptx, ys = s.pty, pg = s.pg;
      for (var i = 0; i < pg.length; i++) {
        var px = Math.round(xs[i] * k + ox), py = Math.round(oy - ys[i] * k);
        if (px < -r || py < -r || px >= w + r || py >= h + r) continue;
        var colour = PACKED[pg.charCodeAt(i)];
        var y0 = Math.max(0, py - r), y1 = Math.min(h - 1, py + r - 1);
        var x0 = Math.max(0, px - r), x1 = Math.min(w - 1, px + r - 1);
        for (var y = y0; y <= y1; y++) buf.fill(colour, y * w + x0, y * w + x1 + 1);
        any = true;
      }
    }
    // Bed points over them: black triangles pointing up.
    var black = 0xFF000000 >>> 0, t = Math.round(4 * ratio);
    for (n = 0; n < sections.length; n++) {
      var bed = sections[n].bed;
      if (!bed) continue;
      var bx = Math.round(bed[0] * k + ox), by = Math.round(oy - bed[1] * k);
      for (var dy = -t; dy <= t; dy++) {
        var row = by + dy, half = Math.floor((dy + t) / 2);
        if (row < 0 || row >= h) continue;
        var a = Math.max(0, bx - half), b = Math.min(w - 1, bx + half);
        if (a <= b) buf.fill(black, row * w + a, row * w + b + 1);
        any = true;
      }
    }
    if (!any) return;
    lctx.putImageData(image, 0, 0);
    ctx.save();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.drawImage(pointLayer, 0, 0);
    ctx.restore();
  }
  var planLines = 0;
  function drawPlan() {
    var size = sizeCanvas(plan);
    ctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    ctx.clearRect(0, 0, size.w, size.h);
    ctx.lineJoin = 'round';
    // The network under everything: branches wide and pale, channels over them.
    ctx.strokeStyle = '#b8d4f0'; ctx.lineWidth = 5; ctx.beginPath();
    run.branches.forEach(function (l) { polyline(l.x, l.y, size); });
    ctx.stroke();
    ctx.strokeStyle = '#3b7fc4'; ctx.lineWidth = 1.5; ctx.beginPath();
    run.channels.forEach(function (l) { polyline(l.x, l.y, size); });
    ctx.stroke();
    // Start or projection lines, dashed.
    ctx.strokeStyle = '#999'; ctx.lineWidth = 1; ctx.setLineDash([4, 3]); ctx.beginPath();
    sections.forEach(function (s) { if (s.gx) polyline(s.gx, s.gy, size); });
    ctx.stroke(); ctx.setLineDash([]);
    // The 1d_xs lines.
    ctx.strokeStyle = '#333'; ctx.lineWidth = 1; ctx.beginPath();
    planLines = 0;
    sections.forEach(function (s) { if (s.lx.length >= 2) { planLines++; polyline(s.lx, s.ly, size); } });
    ctx.stroke();
    // Every drawn point in the colour of its group, and the bed points.
    drawPoints(size);
    // First vertices: the direction of each section.
    ctx.strokeStyle = '#000'; ctx.lineWidth = 1.2; ctx.beginPath();
    sections.forEach(function (s) {
      if (!s.lx.length) return;
      var p = toPx(s.lx[0], s.ly[0], size);
      ctx.rect(p[0] - 3.5, p[1] - 3.5, 7, 7);
    });
    ctx.stroke();
    plan.setAttribute('data-section-lines', planLines);
  }
  var pending = false;
  function redraw() {
    if (pending) return;
    pending = true;
    requestAnimationFrame(function () { pending = false; drawPlan(); });
  }
  function mapAt(event) {
    var rect = plan.getBoundingClientRect(), size = { w: rect.width, h: rect.height };
    var px = event.clientX - rect.left, py = event.clientY - rect.top;
    return { px: px, py: py, x: (px - size.w / 2) / view.k + view.cx, y: (size.h / 2 - py) / view.k + view.cy };
  }
  // The section whose line passes nearest the cursor, within a few pixels.
  function sectionAt(m) {
    var tol = 6 / view.k, best = -1, bestD = tol * tol;
    for (var n = 0; n < sections.length; n++) {
      var s = sections[n], b = s.box;
      if (m.x < b.x0 - tol || m.x > b.x1 + tol || m.y < b.y0 - tol || m.y > b.y1 + tol) continue;
      for (var i = 0; i + 1 < s.lx.length || i === 0 && s.lx.length === 1; i++) {
        var ax = s.lx[i], ay = s.ly[i], bx = s.lx[Math.min(i + 1, s.lx.length - 1)], by = s.ly[Math.min(i + 1, s.ly.length - 1)];
        var dx = bx - ax, dy = by - ay, len = dx * dx + dy * dy;
        var t = len > 0 ? Math.max(0, Math.min(1, ((m.x - ax) * dx + (m.y - ay) * dy) / len)) : 0;
        var ex = ax + t * dx - m.x, ey = ay + t * dy - m.y, d = ex * ex + ey * ey;
        if (d < bestD) { bestD = d; best = n; }
      }
    }
    return best;
  }
  var drag = null, hovered = -1;
  plan.addEventListener('wheel', function (e) {
    e.preventDefault();
    var m = mapAt(e), f = Math.exp(-e.deltaY * 0.0015);
    view.k *= f;
    view.cx = m.x - (m.x - view.cx) / f;
    view.cy = m.y - (m.y - view.cy) / f;
    redraw();
  }, { passive: false });
  plan.addEventListener('pointerdown', function (e) { drag = { x: e.clientX, y: e.clientY, moved: false }; plan.setPointerCapture(e.pointerId); });
  plan.addEventListener('pointermove', function (e) {
    var m = mapAt(e);
    document.getElementById('plan-coords').textContent = 'X ' + m.x.toFixed(3) + '   Y ' + m.y.toFixed(3);
    if (drag) {
      var dx = e.clientX - drag.x, dy = e.clientY - drag.y;
      if (Math.abs(dx) + Math.abs(dy) > 2) drag.moved = true;
      view.cx -= dx / view.k; view.cy += dy / view.k;
      drag.x = e.clientX; drag.y = e.clientY;
      redraw();
      return;
    }
    hovered = sectionAt(m);
    if (hovered < 0) { planTip.hidden = true; plan.style.cursor = 'crosshair'; return; }
    var s = sections[hovered];
    planTip.textContent = s.id + '  (' + s.file + ')';
    planTip.style.left = (m.px + 12) + 'px';
    planTip.style.top = (m.py + 12) + 'px';
    planTip.hidden = false;
    plan.style.cursor = 'pointer';
  });
  plan.addEventListener('pointerup', function (e) {
    var wasClick = drag && !drag.moved;
    drag = null;
    if (wasClick) { var n = sectionAt(mapAt(e)); if (n >= 0) goTo(n); }
  });
  plan.addEventListener('pointerleave', function () { planTip.hidden = true; });
  plan.addEventListener('dblclick', function () { fitAll(); redraw(); });
  window.addEventListener('resize', function () { redraw(); drawProfile(); });

  var legend = document.getElementById('plan-legend');
  [['Left (L)', COLOR[1]], ['Centre (C)', COLOR[2]], ['Right (R)', COLOR[3]]].forEach(function (item) {
    var span = el('span'), dot = el('i');
    dot.style.background = item[1];
    span.appendChild(dot); span.appendChild(document.createTextNode(item[0]));
    legend.appendChild(span);
  });
  legend.appendChild(el('span', null, '\u25A1 first vertex   \u25B2 bed point   \u2014 1d_xs' +
    (sections.some(function (s) { return s.gx; }) ? '   - - start or projection line' : '') +
    (run.channels.length ? '   blue: 1d_nwk channels' : '') + (run.branches.length ? ', pale: 1d_branches' : '')));

  timing.prepared = performance.now();
  fitAll();
  drawPlan();
  timing.planDrawn = performance.now();
  window.kestrixReport = { planDrawn: timing.planDrawn, timing: timing, sections: sections.length, planLines: planLines };

  // ---- Index and long profile -------------------------------------------
  var tbody = document.querySelector('#index-table tbody');
  var rows = [];
  function buildIndex() {
    var html = [];
    sections.forEach(function (s, i) {
      html.push('<tr data-n="' + i + '"><td class="num">' + s.n + '</td><td><a href="#xs-' + s.n + '"></a></td><td class="num">' +
        s.L + '</td><td class="num">' + s.C + '</td><td class="num">' + s.R + '</td><td class="num">' + fmt(s.width) +
        '</td><td class="num">' + fmt(s.bedZ) + '</td><td class="num' + (s.messages.length ? ' warn' : '') + '">' +
        s.messages.length + '</td></tr>');
    });
    tbody.innerHTML = html.join('');
    rows = Array.prototype.slice.call(tbody.rows);
    rows.forEach(function (row, i) { row.cells[1].firstChild.textContent = sections[i].id; });
    document.getElementById('shown').textContent = sections.length + ' of ' + sections.length + ' sections';
  }
  var filter = document.getElementById('filter');
  filter.addEventListener('input', function () {
    var q = filter.value.toLowerCase(), shown = 0;
    rows.forEach(function (row, i) {
      var s = sections[i];
      var hit = !q || s.id.toLowerCase().indexOf(q) >= 0 || s.file.toLowerCase().indexOf(q) >= 0;
      row.hidden = !hit;
      if (hit) shown++;
    });
    document.getElementById('shown').textContent = shown + ' of ' + sections.length + ' sections';
  });
  var sortKey = 'n', sortDir = 1;
  document.querySelectorAll('#index-table thead th').forEach(function (th) {
    th.addEventListener('click', function () {
      var key = th.getAttribute('data-key');
      sortDir = key === sortKey ? -sortDir : 1;
      sortKey = key;
      document.querySelectorAll('#index-table thead th').forEach(function (h) { h.className = h.className.replace(/ ?(asc|desc)/, ''); });
      th.className += (th.className ? ' ' : '') + (sortDir > 0 ? 'asc' : 'desc');
      var value = function (i) {
        var s = sections[i];
        return key === 'warnings' ? s.messages.length : key === 'id' ? s.id : s[key];
      };
      var order = rows.map(function (r, i) { return i; });
      order.sort(function (a, b) {
        var va = value(a), vb = value(b);
        if (va === vb) return a - b;
        if (va === null) return 1;
        if (vb === null) return -1;
        return (typeof va === 'string' ? va.localeCompare(vb, undefined, { numeric: true }) : va - vb) * sortDir;
      });
      var frag = document.createDocumentFragment();
      order.forEach(function (i) { frag.appendChild(rows[i]); });
      tbody.appendChild(frag);
    });
  });

  var profile = document.getElementById('profile');
  var profileTip = document.getElementById('profile-tip');
  var pctx = profile.getContext('2d');
  var prof = null;
  function drawProfile() {
    var size = sizeCanvas(profile);
    pctx.setTransform(ratio, 0, 0, ratio, 0, 0);
    pctx.clearRect(0, 0, size.w, size.h);
    var zs = sections.map(function (s) { return s.bedZ; });
    var lo = Infinity, hi = -Infinity;
    zs.forEach(function (z) { if (z !== null) { lo = Math.min(lo, z); hi = Math.max(hi, z); } });
    if (lo === Infinity) return;
    if (hi - lo < 1e-9) { lo -= 1; hi += 1; }
    var m = { l: 60, r: 12, t: 10, b: 34 };
    var n = sections.length;
    prof = { m: m, size: size, lo: lo, hi: hi,
      x: function (i) { return m.l + (n > 1 ? i / (n - 1) : 0.5) * (size.w - m.l - m.r); },
      y: function (z) { return size.h - m.b - (z - lo) / (hi - lo) * (size.h - m.t - m.b); } };
    pctx.strokeStyle = '#eee'; pctx.fillStyle = '#333'; pctx.font = '11px system-ui, sans-serif';
    pctx.textAlign = 'right'; pctx.textBaseline = 'middle';
    ticks(lo, hi, 5).forEach(function (v) {
      var y = prof.y(v);
      pctx.beginPath(); pctx.moveTo(m.l, y); pctx.lineTo(size.w - m.r, y); pctx.stroke();
      pctx.fillText(String(v), m.l - 4, y);
    });
    pctx.textAlign = 'center'; pctx.textBaseline = 'top';
    ticks(1, Math.max(n, 2), 8).forEach(function (v) {
      if (v < 1 || v > n || v !== Math.round(v)) return;
      pctx.fillText(String(v), prof.x(v - 1), size.h - m.b + 4);
    });
    pctx.fillText('Section in the order written', m.l + (size.w - m.l - m.r) / 2, size.h - 14);
    pctx.save(); pctx.translate(12, m.t + (size.h - m.t - m.b) / 2); pctx.rotate(-Math.PI / 2);
    pctx.fillText('Lowest bed level', 0, -6); pctx.restore();
    pctx.strokeStyle = '#555'; pctx.lineWidth = 1; pctx.beginPath();
    var started = false;
    zs.forEach(function (z, i) {
      if (z === null) { started = false; return; }
      if (started) pctx.lineTo(prof.x(i), prof.y(z)); else pctx.moveTo(prof.x(i), prof.y(z));
      started = true;
    });
    pctx.stroke();
    pctx.fillStyle = COLOR[2];
    zs.forEach(function (z, i) { if (z !== null) pctx.fillRect(prof.x(i) - 1.5, prof.y(z) - 1.5, 3, 3); });
  }
  function profileAt(e) {
    if (!prof) return -1;
    var rect = profile.getBoundingClientRect(), px = e.clientX - rect.left, n = sections.length;
    var i = Math.round((px - prof.m.l) / Math.max(prof.size.w - prof.m.l - prof.m.r, 1) * (n - 1));
    return n === 1 ? 0 : i >= 0 && i < n ? i : -1;
  }
  profile.addEventListener('mousemove', function (e) {
    var i = profileAt(e);
    if (i < 0 || sections[i].bedZ === null) { profileTip.hidden = true; return; }
    var rect = profile.getBoundingClientRect();
    profileTip.textContent = sections[i].id + ': ' + fmt(sections[i].bedZ);
    profileTip.style.left = (e.clientX - rect.left + 12) + 'px';
    profileTip.style.top = (e.clientY - rect.top + 12) + 'px';
    profileTip.hidden = false;
  });
  profile.addEventListener('mouseleave', function () { profileTip.hidden = true; });
  profile.addEventListener('click', function (e) { var i = profileAt(e); if (i >= 0) goTo(i); });

  // ---- Section charts -----------------------------------------------------
  var list = document.getElementById('chart-list');
  var equal = document.getElementById('equal');
  function buildCharts() {
    var frag = document.createDocumentFragment();
    sections.forEach(function (s, i) {
      var box = el('section', { 'class': 'chart', id: 'xs-' + s.n, 'data-index': i });
      box.appendChild(el('h3', null, s.n + '. ' + s.id));
      var meta = el('p', { 'class': 'meta' });
      meta.appendChild(document.createTextNode('File: '));
      meta.appendChild(el('b', { title: s.csv }, s.file));
      meta.appendChild(document.createTextNode('   points: L ' + s.L + ', C ' + s.C + ', R ' + s.R +
        '   lowest bed level: ' + (s.bedZ === null ? 'none' : fmt(s.bedZ))));
      if (s.src.length) meta.appendChild(document.createTextNode('   source: ' + s.src.join(' | ')));
      box.appendChild(meta);
      if (s.messages.length) {
        var ul = el('ul');
        s.messages.forEach(function (m) { ul.appendChild(el('li', null, m)); });
        box.appendChild(ul);
      }
      box.appendChild(el('div', { 'class': 'plot' }));
      frag.appendChild(box);
    });
    list.appendChild(frag);
  }
  var observer = 'IntersectionObserver' in window ? new IntersectionObserver(function (entries) {
    entries.forEach(function (entry) {
      if (!entry.isIntersecting) return;
      observer.unobserve(entry.target);
      drawChart(entry.target);
    });
  }, { rootMargin: '400px 0px' }) : null;

  function drawChart(box) {
    var s = sections[+box.getAttribute('data-index')];
    var plot = box.querySelector('.plot');
    plot.textContent = '';
    var W = plot.clientWidth || 900, H = 330;
    var m = { l: 62, r: 16, t: 12, b: 36 }, stripH = 70, gap = 34;
    var profileH = H - m.t - m.b - stripH - gap;
    var svg = svgEl(plot, 'svg', { viewBox: '0 0 ' + W + ' ' + H, 'data-points': s.x.length, role: 'img',
      'aria-label': 'Cross-section ' + s.id });
    if (!s.x.length) { svgEl(svg, 'text', { x: W / 2, y: H / 2, 'text-anchor': 'middle' }, 'No points'); return; }
    var xr = range(s.x), zr = range(s.z);
    var x0 = xr[0], x1 = xr[1], z0 = zr[0], z1 = zr[1];
    if (x1 - x0 < 1e-9) { x0 -= 1; x1 += 1; }
    if (z1 - z0 < 1e-9) { z0 -= 1; z1 += 1; }
    var padX = (x1 - x0) * 0.02, padZ = (z1 - z0) * 0.08;
    x0 -= padX; x1 += padX; z0 -= padZ; z1 += padZ;
    var plotW = W - m.l - m.r;
    var kx = plotW / (x1 - x0), kz = profileH / (z1 - z0);
    if (equal.checked) {
      // One metre is as long across as it is up: the wider range sets the scale.
      var k = Math.min(kx, kz);
      var cx = (x0 + x1) / 2, cz = (z0 + z1) / 2;
      kx = kz = k;
      x0 = cx - plotW / 2 / k; x1 = cx + plotW / 2 / k;
      z0 = cz - profileH / 2 / k; z1 = cz + profileH / 2 / k;
    }
    var X = function (v) { return m.l + (v - x0) * kx; };
    var Z = function (v) { return m.t + profileH - (v - z0) * kz; };
    svg.setAttribute('data-x0', x0); svg.setAttribute('data-kx', kx);
    // Grid and axes with values.
    ticks(z0, z1, 5).forEach(function (v) {
      svgEl(svg, 'line', { 'class': 'grid', x1: m.l, x2: W - m.r, y1: Z(v), y2: Z(v) });
      svgEl(svg, 'text', { x: m.l - 5, y: Z(v) + 4, 'text-anchor': 'end' }, String(v));
    });
    var stripTop = m.t + profileH + gap, stripBottom = stripTop + stripH;
    ticks(x0, x1, 8).forEach(function (v) {
      svgEl(svg, 'line', { 'class': 'grid', x1: X(v), x2: X(v), y1: m.t, y2: stripBottom });
      svgEl(svg, 'text', { x: X(v), y: stripBottom + 14, 'text-anchor': 'middle' }, String(v));
    });
    svgEl(svg, 'line', { 'class': 'axis', x1: m.l, x2: m.l, y1: m.t, y2: m.t + profileH });
    svgEl(svg, 'line', { 'class': 'axis', x1: m.l, x2: W - m.r, y1: m.t + profileH, y2: m.t + profileH });
    svgEl(svg, 'text', { x: m.l + plotW / 2, y: H - 4, 'text-anchor': 'middle', 'class': 'label' }, 'Offset X (as in the .csv)');
    svgEl(svg, 'text', { x: 12, y: m.t + profileH / 2, 'text-anchor': 'middle', 'class': 'label',
      transform: 'rotate(-90 12 ' + (m.t + profileH / 2) + ')' }, 'Elevation Z');
    // The profile and its points.
    var d = s.x.map(function (v, i) { return (i ? 'L' : 'M') + X(v).toFixed(2) + ' ' + Z(s.z[i]).toFixed(2); }).join('');
    svgEl(svg, 'path', { 'class': 'profile', d: d });
    var pts = svgEl(svg, 'g', { 'class': 'points' });
    s.x.forEach(function (v, i) {
      var g = s.g.charCodeAt(i) - 48;
      var c = svgEl(pts, 'circle', { 'class': 'g' + g, cx: X(v).toFixed(2), cy: Z(s.z[i]).toFixed(2), r: 3.2,
        'data-x': v, 'data-z': s.z[i], 'data-group': g });
      svgEl(c, 'title', {}, GROUP[g] + '  X ' + v + '  Z ' + s.z[i] + '  ' + letter + ' ' + (s.m[i] === null ? '(blank)' : s.m[i]));
    });
    if (s.low >= 0) {
      var bx = X(s.x[s.low]), bz = Z(s.z[s.low]);
      svgEl(svg, 'path', { 'class': 'bed', d: 'M' + bx + ' ' + (bz + 6) + 'l-6 10h12z' });
      svgEl(svg, 'text', { x: bx, y: bz + 28, 'text-anchor': 'middle' }, 'lowest C ' + s.z[s.low]);
    }
    // The resistance values in a strip of their own, with the column's letter.
    var ms = s.m.filter(function (v) { return v !== null; });
    var mr = ms.length ? range(ms) : [0, 1], m0 = mr[0], m1 = mr[1];
    if (m1 - m0 < 1e-12) { m0 = m0 > 0 ? 0 : m0 - 1; m1 = m1 + (m1 === 0 ? 1 : 0); }
    var M = function (v) { return stripBottom - 6 - (v - m0) / (m1 - m0) * (stripH - 18); };
    svgEl(svg, 'line', { 'class': 'axis', x1: m.l, x2: m.l, y1: stripTop, y2: stripBottom });
    svgEl(svg, 'line', { 'class': 'axis', x1: m.l, x2: W - m.r, y1: stripBottom, y2: stripBottom });
    svgEl(svg, 'text', { x: m.l - 5, y: M(m1) + 4, 'text-anchor': 'end' }, String(m1));
    svgEl(svg, 'text', { x: m.l - 5, y: M(m0) + 4, 'text-anchor': 'end' }, String(m0));
    svgEl(svg, 'text', { x: 12, y: stripTop + stripH / 2, 'text-anchor': 'middle', 'class': 'label',
      transform: 'rotate(-90 12 ' + (stripTop + stripH / 2) + ')' }, letter);
    var rd = '', open = false;
    s.x.forEach(function (v, i) {
      if (s.m[i] === null) { open = false; return; }
      rd += (open ? 'L' : 'M') + X(v).toFixed(2) + ' ' + M(s.m[i]).toFixed(2);
      open = true;
    });
    if (rd) svgEl(svg, 'path', { 'class': 'resist', d: rd });
    // Each value is written over its point where there is room; every point names its value on hover.
    var lastLabel = -Infinity, lastValue = null;
    s.x.forEach(function (v, i) {
      if (s.m[i] === null) return;
      var c = svgEl(svg, 'circle', { 'class': 'g' + (s.g.charCodeAt(i) - 48), cx: X(v).toFixed(2), cy: M(s.m[i]).toFixed(2), r: 2.2 });
      svgEl(c, 'title', {}, letter + ' ' + s.m[i] + ' at X ' + v);
      var room = X(v) - lastLabel >= (s.m[i] === lastValue ? 60 : 30);
      if (!room) return;
      svgEl(svg, 'text', { x: X(v), y: M(s.m[i]) - 5, 'text-anchor': 'middle', 'font-size': 9 }, String(s.m[i]));
      lastLabel = X(v); lastValue = s.m[i];
    });
  }
  function observeAll() {
    var boxes = list.children;
    for (var i = 0; i < boxes.length; i++) {
      if (observer) observer.observe(boxes[i]); else drawChart(boxes[i]);
    }
  }
  equal.addEventListener('change', function () {
    var boxes = list.children;
    for (var i = 0; i < boxes.length; i++) if (boxes[i].querySelector('svg')) drawChart(boxes[i]);
  });

  // The rest once the plan has been shown: the frame that paints it comes first.
  requestAnimationFrame(function () {
    timing.planFrame = performance.now();
    setTimeout(rest, 0);
  });
  function rest() {
    buildIndex();
    drawProfile();
    buildCharts();
    observeAll();
    if (/^#xs-\d+$/.test(location.hash)) {
      var target = document.getElementById(location.hash.slice(1));
      if (target) target.scrollIntoView();
    }
    window.kestrixReport.ready = performance.now();
  }
})();
