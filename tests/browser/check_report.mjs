// Opens a Kestrix HTML report in headless Chromium through its DevTools
// protocol and checks it against the files the same run wrote. Needs Node 18
// or later and nothing from npm.
//
//   node check_report.mjs --report OUT/kestrix_report.html \
//        --outputs OUT --shots build/report-example [--chromium /usr/bin/chromium]
//
// Checks: no script error or failed request on the console; as many charts
// as .csv files in OUT; the plotted points of one section equal its .csv
// rows; the index filters; the plan has as many section lines as 1d_xs has
// objects; with scripting off the run's header, summary and messages are
// still shown. Saves <shots>-plan.png and <shots>-chart.png and prints the
// time to the plan's first drawing. Exit status 1 on a failed check. With
// --page FILE it also saves the whole page with every chart drawn. With
// --timing 1 it only prints the time to the frame that shows the plan
// ("plan-frame-ms N"), for bench/report_bench.py.

import { spawn } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

function options() {
  const args = process.argv.slice(2);
  const o = { chromium: process.env.CHROMIUM || '/usr/bin/chromium', timeout: 60000 };
  for (let i = 0; i < args.length; i += 2) o[args[i].replace(/^--/, '')] = args[i + 1];
  if (!o.report || !o.outputs) {
    console.error('usage: check_report.mjs --report FILE --outputs FOLDER [--shots PREFIX] [--chromium PATH]');
    process.exit(2);
  }
  return o;
}

// A small DevTools client over Chromium's debugging pipe (file descriptors
// 3 and 4, one NUL-terminated JSON message each): no port, no WebSocket.
class Browser {
  static async launch(executable) {
    const profile = mkdtempSync(path.join(tmpdir(), 'kestrix-chromium-'));
    const proc = spawn(executable, ['--headless=new', '--no-sandbox', '--disable-gpu', '--no-first-run',
      '--no-default-browser-check', '--disable-extensions', '--remote-debugging-pipe',
      `--user-data-dir=${profile}`, 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    let log = '';
    proc.stderr.on('data', (chunk) => { log += chunk; });
    const b = new Browser(proc, profile);
    const ended = new Promise((_, reject) => proc.on('exit', (code) => reject(new Error(`Chromium ended (${code}): ${log}`))));
    ended.catch(() => {});
    b.ended = ended;
    await Promise.race([b.send('Browser.getVersion'), ended]);
    return b;
  }
  constructor(proc, profile) {
    this.proc = proc; this.profile = profile;
    this.next = 1; this.waiting = new Map(); this.listeners = [];
    let buffer = '';
    proc.stdio[4].setEncoding('utf8');
    proc.stdio[4].on('data', (chunk) => {
      buffer += chunk;
      for (let end = buffer.indexOf('\0'); end >= 0; end = buffer.indexOf('\0')) {
        const msg = JSON.parse(buffer.slice(0, end));
        buffer = buffer.slice(end + 1);
        if (msg.id && this.waiting.has(msg.id)) {
          const { resolve, reject } = this.waiting.get(msg.id);
          this.waiting.delete(msg.id);
          if (msg.error) reject(new Error(JSON.stringify(msg.error))); else resolve(msg.result);
        } else if (msg.method) {
          this.listeners.forEach((l) => l(msg));
        }
      }
    });
  }
  send(method, params = {}, sessionId = undefined) {
    const id = this.next++;
    this.proc.stdio[3].write(JSON.stringify({ id, method, params, sessionId }) + '\0');
    return new Promise((resolve, reject) => this.waiting.set(id, { resolve, reject }));
  }
  async page() {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
    return new Page(this, sessionId);
  }
  async close() {
    try { await Promise.race([this.send('Browser.close'), new Promise((r) => setTimeout(r, 2000))]); } catch { /* closing anyway */ }
    this.proc.kill();
    await new Promise((r) => setTimeout(r, 300));
    rmSync(this.profile, { recursive: true, force: true });
  }
}

class Page {
  constructor(browser, session) {
    this.b = browser; this.session = session; this.errors = []; this.events = [];
    browser.listeners.push((msg) => {
      if (msg.sessionId !== session) return;
      this.events.push(msg.method);
      const p = msg.params;
      if (msg.method === 'Runtime.exceptionThrown') this.errors.push('exception: ' + (p.exceptionDetails.exception?.description || p.exceptionDetails.text));
      if (msg.method === 'Runtime.consoleAPICalled' && (p.type === 'error' || p.type === 'assert')) this.errors.push('console.' + p.type + ': ' + p.args.map((a) => a.value ?? a.description).join(' '));
      if (msg.method === 'Log.entryAdded' && p.entry.level === 'error') this.errors.push('log: ' + p.entry.text + (p.entry.url ? ' ' + p.entry.url : ''));
      if (msg.method === 'Network.requestWillBeSent' && !/^(file|data|about):/.test(p.request.url)) this.errors.push('external request: ' + p.request.url);
    });
  }
  send(method, params) { return this.b.send(method, params, this.session); }
  async eval(expression) {
    const r = await this.send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
    if (r.exceptionDetails) throw new Error('evaluation failed: ' + expression + ': ' + JSON.stringify(r.exceptionDetails));
    return r.result.value;
  }
  async until(expression, timeout) {
    const end = Date.now() + timeout;
    for (;;) {
      const v = await this.eval(expression);
      if (v) return v;
      if (Date.now() > end) throw new Error('timed out waiting for ' + expression);
      await new Promise((r) => setTimeout(r, 50));
    }
  }
  async open(url, timeout, scripting = true) {
    await this.send('Runtime.enable');
    await this.send('Log.enable');
    await this.send('Network.enable');
    await this.send('Page.enable');
    await this.send('Emulation.setDeviceMetricsOverride', { width: 1280, height: 900, deviceScaleFactor: 1, mobile: false });
    if (!scripting) await this.send('Emulation.setScriptExecutionDisabled', { value: true });
    const loaded = new Promise((resolve) => this.b.listeners.push((m) => { if (m.sessionId === this.session && m.method === 'Page.loadEventFired') resolve(); }));
    await this.send('Page.navigate', { url });
    await Promise.race([loaded, new Promise((_, reject) => setTimeout(() => reject(new Error('page did not load')), timeout))]);
  }
  async shot(selector, file) {
    await this.eval(`document.querySelector(${JSON.stringify(selector)}).scrollIntoView({block: 'start'}); 1`);
    await new Promise((r) => setTimeout(r, 300));
    const rect = await this.eval(`(() => { const r = document.querySelector(${JSON.stringify(selector)}).getBoundingClientRect();
      return { x: r.left + scrollX, y: r.top + scrollY, width: r.width, height: r.height }; })()`);
    const { data } = await this.send('Page.captureScreenshot', { format: 'png', clip: { ...rect, scale: 1 }, captureBeyondViewport: true });
    writeFileSync(file, Buffer.from(data, 'base64'));
  }
}

// The rows of a .csv: identifier, then X and Z of every row after the heading.
function readCsv(file) {
  const lines = readFileSync(file, 'latin1').split('\r\n').filter((l) => l.length);
  const rows = lines.slice(2).map((l) => l.split(',').map((f) => f.trim()));
  return { id: lines[0], rows: rows.map((r) => ({ x: Number(r[0]), z: Number(r[1]), group: Number(r[3]) })) };
}

const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

async function main() {
  const o = options();
  const url = pathToFileURL(path.resolve(o.report)).href;
  const csvFiles = readdirSync(o.outputs).filter((f) => f.toLowerCase().endsWith('.csv')).sort();
  const mif = readFileSync(path.join(o.outputs, '1d_xs.mif'), 'latin1');
  const xsLines = (mif.match(/^Pline /gm) || []).length;
  const browser = await Browser.launch(o.chromium);
  try {
    const page = await browser.page();
    const started = Date.now();
    await page.open(url, o.timeout);
    await page.until('window.kestrixReport && window.kestrixReport.ready', o.timeout);
    const planMs = await page.eval('Math.round(window.kestrixReport.planDrawn)');
    const timing = await page.eval('JSON.stringify(window.kestrixReport.timing, (k, v) => typeof v === "number" ? Math.round(v) : v)');
    console.log('timing (ms after navigation): ' + timing);
    console.log(`${path.basename(o.outputs)}: plan drawn ${planMs} ms after navigation (page loaded in ${Date.now() - started} ms wall time)`);
    if (o.timing) {
      // Only the time to the frame that shows the plan, for the benchmark.
      console.log('plan-frame-ms ' + Math.round(await page.eval('window.kestrixReport.timing.planFrame')));
      return;
    }

    const charts = await page.eval("document.querySelectorAll('#chart-list > section.chart').length");
    check(charts === csvFiles.length, `${charts} section charts for ${csvFiles.length} .csv files`);
    const planLines = await page.eval("Number(document.getElementById('plan').getAttribute('data-section-lines'))");
    check(planLines === xsLines, `${planLines} section lines in the plan for ${xsLines} objects of 1d_xs`);
    // A -check run marks every finding of _xs_checks on the plan and lists each as a CHECK line linked to its chart.
    const checksMid = path.join(o.outputs, '_xs_checks.mid');
    if (existsSync(checksMid)) {
      const findings = readFileSync(checksMid, 'latin1').split('\r\n').filter((l) => l !== '').length;
      const marks = await page.eval("Number(document.getElementById('plan').getAttribute('data-check-marks'))");
      check(marks === findings, `${marks} findings marked on the plan for ${findings} rows of _xs_checks`);
      if (findings > 0) {
        const first = await page.eval(`(() => { const li = document.querySelector('ol.messages li.check');
          return li ? { text: li.textContent, href: li.querySelector('a') ? li.querySelector('a').getAttribute('href') : '' } : null; })()`);
        const target = first && first.href ? await page.eval(`!!document.getElementById('${first.href.slice(1)}')`) : false;
        check(!!first && first.text.startsWith('CHECK - ') && target, `the first finding is listed as a CHECK line linked to its chart`);
      }
    }

    // One section from the middle: its chart, drawn when scrolled to, against its .csv.
    const pick = Math.floor((charts - 1) / 2);
    await page.eval(`document.getElementById('xs-${pick + 1}').scrollIntoView(); 1`);
    await page.until(`document.querySelector('#xs-${pick + 1} svg')`, 10000);
    const chart = await page.eval(`(() => {
      const box = document.getElementById('xs-${pick + 1}');
      const s = window.kestrixReport;
      return { csv: box.querySelector('.meta b').textContent,
        points: Array.from(box.querySelectorAll('g.points circle')).map((c) => ({
          x: Number(c.getAttribute('data-x')), z: Number(c.getAttribute('data-z')), group: Number(c.getAttribute('data-group')),
          cx: Number(c.getAttribute('cx')), dem: c.classList.contains('dem') })),
        id: box.querySelector('h3').textContent.replace(/^\\d+\\. /, ''),
        x0: Number(box.querySelector('svg').getAttribute('data-x0')), kx: Number(box.querySelector('svg').getAttribute('data-kx')),
        left: 62 };
    })()`);
    const csv = readCsv(path.join(o.outputs, chart.csv));
    const same = csv.rows.length === chart.points.length && csv.rows.every((r, i) => {
      const p = chart.points[i];
      return r.x === p.x && r.z === p.z && r.group === p.group && Math.abs(p.cx - (chart.left + (p.x - chart.x0) * chart.kx)) < 0.02;
    });
    check(same, `chart ${pick + 1} (${chart.csv}) plots its ${csv.rows.length} .csv rows at their offsets`);
    // A run with a terrain model draws the section's points from it hollow: as many as _xs_dem_points holds.
    const demMid = path.join(o.outputs, '_xs_dem_points.mid');
    if (existsSync(demMid)) {
      const demRows = readFileSync(demMid, 'latin1').split(/\r?\n/).filter((l) => l.startsWith(JSON.stringify(chart.id) + ',')).length;
      const hollow = chart.points.filter((p) => p.dem).length;
      check(demRows > 0 && hollow === demRows, `chart ${pick + 1} draws ${hollow} DEM points hollow for ${demRows} rows of _xs_dem_points`);
    }
    const notDrawn = await page.eval("Array.from(document.querySelectorAll('#chart-list > section.chart')).filter((b) => !b.querySelector('svg')).length");
    check(charts < 30 || notDrawn > 0, `charts out of view are not drawn yet (${notDrawn} of ${charts})`);

    // The index filters as one types.
    const id = await page.eval(`document.querySelector('#xs-${pick + 1} h3').textContent.replace(/^\\d+\\. /, '')`);
    const ids = await page.eval("Array.from(document.querySelectorAll('#index-table tbody tr')).map((r) => r.cells[1].textContent + '\\n' + r.getAttribute('data-n'))");
    const files = await page.eval("Array.from(document.querySelectorAll('#chart-list .meta b')).map((b) => b.textContent.toLowerCase())");
    const expected = ids.filter((t, i) => t.split('\n')[0].toLowerCase().includes(id.toLowerCase()) || files[i].includes(id.toLowerCase())).length;
    const filtered = await page.eval(`(() => { const f = document.getElementById('filter'); f.value = ${JSON.stringify(id)};
      f.dispatchEvent(new Event('input')); return document.querySelectorAll('#index-table tbody tr:not([hidden])').length; })()`);
    check(filtered === expected && filtered >= 1 && (ids.length === 1 || filtered < ids.length), `filtering the index by "${id}" leaves ${filtered} of ${ids.length} rows (expected ${expected})`);
    const none = await page.eval(`(() => { const f = document.getElementById('filter'); f.value = 'no section is called this';
      f.dispatchEvent(new Event('input')); const n = document.querySelectorAll('#index-table tbody tr:not([hidden])').length;
      f.value = ''; f.dispatchEvent(new Event('input')); return n; })()`);
    check(none === 0, 'a filter that matches nothing leaves no row');
    const sorted = await page.eval(`(() => { document.querySelector('#index-table th[data-key="bedZ"]').click();
      return Array.from(document.querySelectorAll('#index-table tbody tr')).map((r) => r.cells[6].textContent).filter((t) => t !== '').map(Number); })()`);
    check(sorted.every((v, i) => i === 0 || sorted[i - 1] <= v), 'sorting the index by lowest bed level orders its rows');

    if (o.shots) {
      await page.eval("document.getElementById('filter').value = ''; 1");
      await page.shot('#plan-view', o.shots + '-plan.png');
      await page.shot(`#xs-${pick + 1}`, o.shots + '-chart.png');
      console.log(`screenshots: ${o.shots}-plan.png, ${o.shots}-chart.png`);
    }
    if (o.page) {
      // The whole page as it opens, with every chart drawn, as the README shows it.
      const page = await browser.page();
      await page.open(url, o.timeout);
      await page.until('window.kestrixReport && window.kestrixReport.ready', o.timeout);
      const count = await page.eval("document.querySelectorAll('#chart-list > section.chart').length");
      for (let i = 1; i <= count; i++) await page.eval(`document.getElementById('xs-${i}').scrollIntoView(); 1`);
      await page.until(`document.querySelectorAll('#chart-list svg').length === ${count}`, 10000);
      await page.eval('window.scrollTo(0, 0); 1');
      const height = await page.eval('document.documentElement.scrollHeight');
      const { data } = await page.send('Page.captureScreenshot', { format: 'png', clip: { x: 0, y: 0, width: 1280, height, scale: 1 }, captureBeyondViewport: true });
      writeFileSync(o.page, Buffer.from(data, 'base64'));
      console.log(`page screenshot: ${o.page}`);
    }
    check(page.errors.length === 0, 'no script error, console error or outside request' + (page.errors.length ? ': ' + page.errors.join('; ') : ''));

    // Without scripting the header, the summary and the messages are plain HTML.
    const bare = await browser.page();
    await bare.open(url, o.timeout, false);
    const plain = await bare.eval(`(() => { const h = document.getElementById('run');
      return { shown: h.getBoundingClientRect().height > 0 && getComputedStyle(h).display !== 'none',
        summary: document.querySelectorAll('#run .summary li').length,
        views: getComputedStyle(document.getElementById('views')).display,
        messages: document.querySelectorAll('#run .messages li').length,
        count: Number((document.getElementById('messages').textContent.match(/\\((\\d+)\\)/) || [0, -1])[1]) }; })()`);
    // A run with a terrain model has five summary lines more, a run with the checks seven.
    const summaries = 7 + (existsSync(path.join(o.outputs, '_xs_dem_points.mid')) ? 5 : 0) + (existsSync(checksMid) ? 7 : 0);
    check(plain.shown && plain.summary === summaries && plain.views === 'none' && plain.messages === plain.count,
      `with scripting off: header shown, ${plain.summary} summary lines, ${plain.messages} messages, script views hidden`);
  } finally {
    await browser.close();
  }
  if (failures.length) {
    console.error(`${failures.length} check(s) failed for ${o.report}`);
    process.exit(1);
  }
}

main().catch((e) => { console.error(e.stack || String(e)); process.exit(1); });
