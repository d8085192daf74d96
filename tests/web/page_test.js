// The browser page in headless chromium: it loads without a console error, shows the level, takes
// the keys, shows the panels, plays sounds through Web Audio, keeps 60 game frames a second, plays a
// desktop replay to the end and hands out a replay that the desktop program verifies.
//   node tests/web/page_test.js SITE_DIR NATIVE_PROGRAM
// Prints the page's frame cost (measured in the page) for the README. Exit status 0 when all passed.
'use strict';
const { spawn, execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const site = path.resolve(process.argv[2] || 'build-web/site');
const native = path.resolve(process.argv[3] || 'build/vexlot');
const root = path.resolve(__dirname, '..', '..');
const results = [];
let failures = 0;
function check(name, ok, detail = '') {
  results.push(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ': ' + detail : ''}`);
  console.log(results[results.length - 1]);
  if (!ok) failures++;
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// Waits for fn() to be true, polling; false after `ms`.
// Drops a PNG picture (base64) on the page, as a player drags a level picture onto it.
async function dropPicture(page, name, b64) {
  await page.evaluate((n, data) => {
    const bytes = Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
    const drop = new DataTransfer();
    drop.items.add(new File([bytes], n, { type: 'image/png' }));
    window.dispatchEvent(new DragEvent('drop', { dataTransfer: drop, bubbles: true, cancelable: true }));
  }, name, b64);
}

async function until(fn, ms, every = 50) {
  const end = Date.now() + ms;
  while (Date.now() < end) {
    if (await fn()) return true;
    await sleep(every);
  }
  return false;
}

// python3 -m http.server on a free port of 127.0.0.1; resolves to [process, port].
function serve(dir) {
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', dir],
      { stdio: ['ignore', 'pipe', 'pipe'] });
    const timer = setTimeout(() => reject(new Error('the web server did not start')), 10000);
    server.stdout.on('data', (d) => {
      const m = /port (\d+)/.exec(String(d));
      if (m) { clearTimeout(timer); resolve([server, Number(m[1])]); }
    });
    server.on('exit', (code) => reject(new Error('the web server exited with ' + code)));
  });
}

async function main() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vexlot-chromium-'));
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'vexlot-downloads-'));
  const [server, port] = await serve(site);
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run', '--mute-audio',
           '--window-size=1280,800'],
    defaultViewport: { width: 1280, height: 800 },
    timeout: 30000,
  });
  const consoleErrors = [];
  try {
    const page = await browser.newPage();
    page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
    page.on('pageerror', (e) => consoleErrors.push('page error: ' + e.message));
    page.on('requestfailed', (r) => consoleErrors.push('request failed: ' + r.url()));
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });

    await page.goto(`http://127.0.0.1:${port}/?seed=9`, { waitUntil: 'load', timeout: 30000 });
    check('the module loads', await until(() => page.evaluate(() => window.vexlot.ready()), 20000));
    check('a click-to-start screen', await page.$eval('#start', (e) => !e.hidden));
    await page.click('#start');
    check('the game runs after the click', await until(() => page.evaluate(() => vexlot.frame() > 30), 5000));
    check('the seed from the address', (await page.evaluate(() => vexlot.seed())) === '9');
    if (process.env.VEXLOT_PAGE_SHOTS) await page.screenshot({ path: path.join(process.env.VEXLOT_PAGE_SHOTS, 'page-desktop.png') });

    // The level at its place: the dome's blue and the ground's green (as the desktop draws them).
    const pixel = (x, y) => page.evaluate((px, py) => Array.from(
      document.getElementById('screen').getContext('2d').getImageData(px, py, 1, 1).data.slice(0, 3)), x, y);
    const same = (a, b) => a.every((v, i) => v === b[i]);
    check('the dome is blue', same(await pixel(60, 350), [84, 136, 232]), String(await pixel(60, 350)));
    check('the ground is green', same(await pixel(300, 520), [20, 78, 29]), String(await pixel(300, 520)));
    const css = await page.$eval('#screen', (c) => [getComputedStyle(c).imageRendering, c.clientWidth, c.clientHeight]);
    check('the canvas is scaled sharply to fit', css[0] === 'pixelated' && css[1] >= 796, css.join(' '));

    // The same picture as the desktop window: the backdrop's sky behind the world (not black), the
    // life label's white and the player's marker (green) over his guy.
    check('the backdrop sky by default', !same(await pixel(400, 200), [0, 0, 0]), String(await pixel(400, 200)));
    const markerShown = await page.evaluate(() => {
      const d = document.getElementById('screen').getContext('2d').getImageData(0, 0, 796, 592).data;
      let n = 0;
      for (let i = 0; i < d.length; i += 4) n += d[i] === 0x70 && d[i + 1] === 0xFF && d[i + 2] === 0x70;
      return n;
    });
    check('the player\'s marker is drawn', markerShown > 20, `${markerShown} marker pixels`);

    // A press on the world without the panels does not move the guy.
    {
      const box0 = await page.$eval('#screen', (c) => { const r = c.getBoundingClientRect(); return [r.left, r.top, r.width / 796]; });
      const at = (await JSON.parse(await page.evaluate(() => vexlot.dump())).guys[0]);
      await page.mouse.click(box0[0] + 600 * box0[2], box0[1] + 200 * box0[2]);
      await sleep(300);
      const now = JSON.parse(await page.evaluate(() => vexlot.dump())).guys[0];
      check('a press without the panels is no teleport', Math.abs(now.x - at.x) < 2000 && Math.abs(now.x - 600 * 15) > 1000,
            `x ${at.x} -> ${now.x}`);
    }

    // Walking: the guy is put on the open ground by a press on the world (the panels shown), then
    // walks each way from where he has come to rest. The computer guys shoot at him, and a hit throws
    // him, so a walk spoilt that way is tried again (a key that does not walk fails every time).
    const state = async () => JSON.parse(await page.evaluate(() => vexlot.dump()));
    const guy = async () => (await state()).guys[0];
    const box = await page.$eval('#screen', (c) => { const r = c.getBoundingClientRect(); return [r.left, r.top, r.width / 796]; });
    const settle = () => until(async () => { const a = await guy(); await sleep(100); const b = await guy(); return a.x === b.x && a.y === b.y; }, 4000);
    const walk = async (key) => {
      await settle();
      const from = (await guy()).x;
      await page.keyboard.down(key);
      await sleep(500);
      await page.keyboard.up(key);
      await settle();
      return [from, (await guy()).x];
    };
    let walks = '';
    let walked = false;
    for (let attempt = 0; attempt < 3 && !walked; attempt++) {
      await page.keyboard.press('d');
      await sleep(100);
      await page.mouse.click(box[0] + 360 * box[2], box[1] + 420 * box[2]);
      await page.keyboard.press('d');
      const [r0, r1] = await walk('ArrowRight');
      const [l0, l1] = await walk('ArrowLeft');
      walks += `${walks ? '; ' : ''}x ${r0} -> ${r1}, ${l0} -> ${l1}`;
      walked = r1 > r0 + 150 && l1 < l0 - 150;
    }
    check('Right walks right, Left walks left', walked, walks);

    const panelColour = [212, 208, 200];
    const before = await pixel(96, 150);
    await page.keyboard.press('d');
    const shown = await until(async () => same(await pixel(96, 150), panelColour), 2000);
    check('"d" shows the panels', !same(before, panelColour) && shown, `${before} -> ${await pixel(96, 150)}`);
    await page.keyboard.press('d');

    await page.keyboard.press('s');
    await page.keyboard.down('Alt');
    await sleep(400);
    await page.keyboard.up('Alt');
    const played = await until(() => page.evaluate(() => vexlot.sound().started > 0), 3000);
    const sound = await page.evaluate(() => vexlot.sound());
    check('after "s" and fire a sound plays', played && sound.state === 'running', JSON.stringify(sound));

    // A setting changed here is there again on the next visit (local storage).
    const volume = Number(await page.$eval('#volume', (e) => e.value));
    await page.keyboard.press('-');

    // The game's pace over five seconds, and what a frame costs in the page.
    const f0 = await page.evaluate(() => vexlot.frame());
    const t0 = Date.now();
    await sleep(5000);
    const f1 = await page.evaluate(() => vexlot.frame());
    const rate = (f1 - f0) / ((Date.now() - t0) / 1000);
    check('60 game frames a second', rate >= 58 && rate <= 62, rate.toFixed(2) + ' frames/s');
    const cost = (await page.evaluate(() => vexlot.cost())).split(' ').map(Number);
    console.log(`frame cost in the page: sim ${cost[2].toFixed(3)} ms/frame, compose ${cost[3].toFixed(3)} ms, ` +
                `present (to RGBA + putImageData) ${cost[4].toFixed(3)} ms; ${cost[1]} shown frames/s`);

    // A replay of this game, downloaded from the page, verifies in the desktop program.
    await page.click('#download');
    let file = null;
    await until(() => {
      file = fs.readdirSync(downloads).find((f) => f.endsWith('.replay'));
      return Boolean(file);
    }, 5000);
    if (!file) {
      check('the page hands out a replay', false);
    } else {
      let out = '';
      let ok = true;
      try {
        out = execFileSync(native, ['--headless', '--replay', path.join(downloads, file)], { encoding: 'utf8' });
      } catch (e) {
        ok = false;
        out = String(e.stdout) + String(e.stderr);
      }
      check('the downloaded replay verifies in the desktop program', ok && /replay verified/.test(out), out.trim());
    }

    // A desktop recording plays to its end in the page, every checkpoint matching.
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#load-replay')]);
    await chooser.accept([path.join(root, 'tests/replays/firepit.replay')]);
    const done = await until(() => page.evaluate(() => (vexlot.status() & 16) !== 0), 15000, 200);
    const status = await page.evaluate(() => vexlot.status());
    const info = await page.$eval('#replay-info', (e) => e.textContent);
    const recorded = fs.readFileSync(path.join(root, 'tests/replays/firepit.replay'), 'utf8')
      .split('\n').filter((l) => / (check|end) /.test(l)).length;
    check('a desktop replay verifies in the page',
          done && (status & 64) === 0 && info.includes(`verified: ${recorded} checkpoints`), info);

    // A level picture dropped on the page: a new game on it, whose replay names the picture and
    // verifies natively on the same picture.
    const levelBytes = fs.readFileSync(path.join(root, 'assets/level.png')).toString('base64');
    await dropPicture(page, 'level.png', levelBytes);
    const onLevel = await until(() => page.evaluate(() => /\nlevel [0-9a-f]{16}\n/.test(vexlot.replayText()) &&
                                                        vexlot.frame() > 120), 8000);
    const levelReplay = path.join(downloads, 'level.replay');
    fs.writeFileSync(levelReplay, await page.evaluate(() => vexlot.replayText()));
    let levelOut = '';
    try {
      levelOut = execFileSync(native, ['--headless', '--level', path.join(root, 'assets/level.png'), '--replay', levelReplay],
                              { encoding: 'utf8' });
    } catch (e) {
      levelOut = String(e.stdout) + String(e.stderr);
    }
    check('a dropped level picture plays, and its replay verifies natively', onLevel && /replay verified/.test(levelOut),
          levelOut.trim());

    // Files past the desktop's limits (64 MiB replays, 8 MiB pictures) are refused before they are
    // read, and the game goes on.
    for (const [name, size, png, says] of [['huge.replay', 65 * 1024 * 1024, false, 'more than the 64 MiB a replay'],
                                           ['huge.png', 9 * 1024 * 1024, true, 'more than the 8 MiB a level picture']]) {
      const before = await page.evaluate(() => vexlot.frame());
      await page.evaluate((n, bytes, isPng) => {
        const data = new Uint8Array(bytes);
        if (isPng) data.set([0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A]);
        const drop = new DataTransfer();
        drop.items.add(new File([data], n));
        window.dispatchEvent(new DragEvent('drop', { dataTransfer: drop, bubbles: true, cancelable: true }));
      }, name, size, png);
      const refused = await until(() => page.$eval('#message', (e, t) => !e.hidden && e.textContent.includes(t), says), 5000);
      const goesOn = await until(() => page.evaluate((f) => vexlot.frame() > f + 30, before), 5000);
      check(`a ${name} past the limit is refused unread and the game goes on`, refused && goesOn,
            await page.$eval('#message', (e) => e.textContent));
    }

    // Death: on a level whose floor under the player is deadly yellow (a fixed seed) he bleeds to
    // death with no key pressed; the banner and the death panel say so and R starts a new game.
    const deadlyLevel = path.join(downloads, 'deadly.png');
    execFileSync('convert', ['-size', '2400x600', 'xc:black', '-fill', 'rgb(255,255,0)', '-draw', 'rectangle 0,449 2399,599',
                             '-fill', 'rgb(0,99,49)', '-draw', 'rectangle 300,449 2399,599', 'PNG24:' + deadlyLevel]);
    await dropPicture(page, 'deadly.png', fs.readFileSync(deadlyLevel).toString('base64'));
    await until(() => page.evaluate(() => vexlot.seed() !== '' && vexlot.frame() > 5), 5000);
    await page.evaluate(() => vexlot.newGame(7));
    const dead = await until(() => page.evaluate(() => (vexlot.status() & 2) !== 0), 20000, 200);
    check('the death banner', dead && await until(() => page.$eval('#dead', (e) => !e.hidden), 1000));
    if (process.env.VEXLOT_PAGE_SHOTS) await page.screenshot({ path: path.join(process.env.VEXLOT_PAGE_SHOTS, 'page-dead.png') });
    const deadFrame = await page.evaluate(() => vexlot.frame());
    await page.keyboard.press('r');
    check('R after death starts a new game', await until(() => page.evaluate((f) =>
      vexlot.frame() < f && (vexlot.status() & 2) === 0 && document.getElementById('dead').hidden, deadFrame), 2000),
          `died at frame ${deadFrame}, now at frame ${await page.evaluate(() => vexlot.frame())}`);

    // Esc ends the game.
    await until(() => page.evaluate(() => vexlot.frame() > 5), 3000);
    await page.keyboard.press('Escape');
    check('Esc ends the game', await until(() => page.$eval('#ended', (e) => !e.hidden), 2000));

    // Back to the game's own level (the deadly one stays chosen after the death checks).
    await dropPicture(page, 'level.png', levelBytes);
    await until(() => page.evaluate(() => vexlot.frame() > 5 && (vexlot.status() & 2) === 0), 5000);

    // Two players at one keyboard: a picture of two views; the arrows walk player 1's guy and D
    // player 2's (guy 1) at the same time, away from each other and from the computer guy between them.
    await page.select('#players', '2');
    check('two players: a picture of two views', await until(() => page.evaluate(() =>
      vexlot.canvasWidth() === 1592 && vexlot.frame() > 30 && (vexlot.status() & 4) === 0), 5000),
          `canvas ${await page.evaluate(() => vexlot.canvasWidth())}`);
    // A fixed seed: on some starts the other guy stands in the way of the walk.
    await page.evaluate(() => vexlot.newGame(9));
    await until(() => page.evaluate(() => vexlot.frame() > 30), 5000);
    let twoWalks = '';
    let bothWalked = false;
    for (let attempt = 0; attempt < 3 && !bothWalked; attempt++) {
      await sleep(1500);
      const a = (await state()).guys;
      await page.keyboard.down('ArrowLeft');
      await page.keyboard.down('d');
      await sleep(600);
      await page.keyboard.up('d');
      await page.keyboard.up('ArrowLeft');
      await sleep(300);
      const b = (await state()).guys;
      twoWalks += `${twoWalks ? '; ' : ''}p1 ${a[0].x} -> ${b[0].x}, p2 ${a[1].x} -> ${b[1].x}`;
      bothWalked = b[0].x < a[0].x - 150 && b[1].x > a[1].x + 150;
    }
    check('two players: each walks on his own keys', bothWalked, twoWalks);
    if (process.env.VEXLOT_PAGE_SHOTS) await page.screenshot({ path: path.join(process.env.VEXLOT_PAGE_SHOTS, 'page-two.png') });
    await page.select('#players', '1');

    // A fast screen: an animation frame every 7 ms or so; the game must still step 60 times a second.
    const fast = await browser.newPage();
    fast.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
    fast.on('pageerror', (e) => consoleErrors.push('page error: ' + e.message));
    await fast.evaluateOnNewDocument(() => {
      window.requestAnimationFrame = (callback) => setTimeout(() => callback(performance.now()), 7);
    });
    await fast.goto(`http://127.0.0.1:${port}/?seed=9`, { waitUntil: 'load', timeout: 30000 });
    await until(() => fast.evaluate(() => window.vexlot.ready()), 20000);
    const kept = Number(await fast.$eval('#volume', (e) => e.value));
    check('settings are kept between visits', kept === volume - 10, `volume ${volume} -> ${kept}`);
    await fast.click('#start');
    await until(() => fast.evaluate(() => vexlot.frame() > 30), 5000);
    const g0 = await fast.evaluate(() => vexlot.frame());
    const s0 = Date.now();
    await sleep(3000);
    const g1 = await fast.evaluate(() => vexlot.frame());
    const fastRate = (g1 - g0) / ((Date.now() - s0) / 1000);
    const fastCost = (await fast.evaluate(() => vexlot.cost())).split(' ').map(Number);
    check('60 game frames a second on a screen of over 100 Hz',
          fastRate >= 58 && fastRate <= 62 && fastCost[1] <= 62 && fastCost[5] > 100,
          `${fastRate.toFixed(2)} frames/s, ${fastCost[1]} shown and ${fastCost[5]} animation frames a second`);
    await fast.close();

    // A phone-sized touch screen: the on-screen controls show, a touch starts the game, holding
    // the right arrow walks the guy right and the weapon button picks the next weapon.
    const phone = await browser.newPage();
    phone.on('pageerror', (e) => consoleErrors.push('page error: ' + e.message));
    await phone.setViewport({ width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 2 });
    await phone.goto(`http://127.0.0.1:${port}/?seed=7`, { waitUntil: 'load', timeout: 30000 });
    await until(() => phone.evaluate(() => window.vexlot.ready()), 20000);
    check('touch controls on a touch screen', await phone.evaluate(() => vexlot.touchShown()));
    const centre = async (sel) => phone.$eval(sel, (b) => { const r = b.getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; });
    const hold = async (sel, ms) => {
      const [x, y] = await centre(sel);
      await phone.touchscreen.touchStart(x, y);
      await sleep(ms);
      await phone.touchscreen.touchEnd();
    };
    await hold('#touch button[data-key="190"]', 50);  // any button starts the game
    await until(() => phone.evaluate(() => vexlot.started() && vexlot.frame() > 30), 5000);
    const guyOnPhone = async () => JSON.parse(await phone.evaluate(() => vexlot.dump())).guys[0];
    let touchWalk = '';
    let touchWalked = false;
    for (let attempt = 0; attempt < 3 && !touchWalked; attempt++) {
      await sleep(1500);  // at rest after the landing (or a hit)
      const from = (await guyOnPhone()).x;
      await hold('#touch button[data-key="39"]', 600);
      await sleep(300);
      const to = (await guyOnPhone()).x;
      touchWalk += `${touchWalk ? '; ' : ''}x ${from} -> ${to}`;
      touchWalked = to > from + 150;
    }
    check('holding the touch arrow walks right', touchWalked, touchWalk);
    const w0 = (await guyOnPhone()).weapon;
    await hold('#touch button[data-key="0"]', 50);
    check('the touch weapon button picks the next weapon',
          await until(async () => (await guyOnPhone()).weapon === w0 % 10 + 1, 2000), `${w0} -> ${(await guyOnPhone()).weapon}`);
    if (process.env.VEXLOT_PAGE_SHOTS) await phone.screenshot({ path: path.join(process.env.VEXLOT_PAGE_SHOTS, 'page-phone.png') });
    await phone.close();

    check('no console errors', consoleErrors.length === 0, consoleErrors.join(' | '));
  } finally {
    await browser.close();
    server.kill();
    fs.rmSync(profile, { recursive: true, force: true });
    fs.rmSync(downloads, { recursive: true, force: true });
  }
}

main().then(() => {
  console.log(failures ? `page test: ${failures} FAILED` : 'page test: all passed');
  process.exit(failures ? 1 : 0);
}, (e) => {
  console.error('page test: ' + (e && e.stack ? e.stack : e));
  process.exit(1);
});
