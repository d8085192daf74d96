// The page around the game module (vexlot_web.js, built from src/web/web_main.cpp). The module runs
// the game loop, reads the keyboard and gamepads and hands over each frame and each sound; this side
// shows the frames in the canvas, plays the sounds with Web Audio, and owns the start screen, the
// overlays, the buttons (replays and level pictures in and out), drag and drop, and the settings.
'use strict';
(() => {
  const W = 796, H = 592;  // the game's window in pixels
  const $ = (id) => document.getElementById(id);
  const canvas = $('screen');
  const ctx = canvas.getContext('2d', { alpha: false });
  const image = ctx.createImageData(W, H);
  let api = null;          // the module's C functions, once it has loaded
  let started = false;     // past the click-to-start screen
  let framesShown = 0;
  let seed = 0n;

  // ---- Settings kept between visits ----
  const SETTINGS_KEY = 'vexlot.settings';
  const settings = Object.assign({ volume: 80, wholeScale: true, stats: false }, readSettings());
  function readSettings() {
    try { return JSON.parse(localStorage.getItem(SETTINGS_KEY)) || {}; } catch (e) { return {}; }
  }
  function saveSettings() {
    try { localStorage.setItem(SETTINGS_KEY, JSON.stringify(settings)); } catch (e) { /* private mode */ }
  }

  // ---- Sound: the game's own .wav files; each sound cuts off the one before ----
  const sound = { ctx: null, gain: null, buffers: new Map(), playing: null, ticket: 0, started: 0, last: '' };
  function startAudio() {
    if (!sound.ctx) {
      sound.ctx = new AudioContext();
      sound.gain = sound.ctx.createGain();
      sound.gain.connect(sound.ctx.destination);
      applyVolume();
      fetch('sounds.json').then((r) => r.json()).then((names) => names.forEach(loadSound)).catch(() => {});
    }
    sound.ctx.resume();
  }
  function loadSound(file) {
    if (!sound.buffers.has(file)) {
      sound.buffers.set(file, fetch('sounds/' + file)
        .then((r) => { if (!r.ok) throw new Error(r.status + ' ' + r.statusText); return r.arrayBuffer(); })
        .then((bytes) => sound.ctx.decodeAudioData(bytes))
        .catch((e) => { console.warn('vexlot: cannot play ' + file + ': ' + e.message); return null; }));
    }
    return sound.buffers.get(file);
  }
  function playSound(name) {
    if (!sound.ctx) return;
    const file = name.replace(/^[\\/]+/, '');
    const ticket = ++sound.ticket;
    loadSound(file).then((buffer) => {
      if (!buffer || ticket !== sound.ticket) return;  // a later sound has cut this one off already
      if (sound.playing) { try { sound.playing.stop(); } catch (e) { /* already over */ } }
      const source = sound.ctx.createBufferSource();
      source.buffer = buffer;
      source.connect(sound.gain);
      source.start();
      sound.playing = source;
      sound.started++;
      sound.last = file;
    });
  }
  function applyVolume() {
    if (sound.gain) sound.gain.gain.value = settings.volume / 100;
    $('volume').value = settings.volume;
  }
  function changeVolume(delta) {
    settings.volume = Math.max(0, Math.min(100, settings.volume + delta));
    applyVolume();
    saveSettings();
    say('Volume ' + settings.volume);
  }

  // ---- The picture: the module's frame into the canvas, scaled sharply to fit ----
  function present(pixels, width, height) {
    if (width !== W || height !== H) return;
    image.data.set(pixels);
    ctx.putImageData(image, 0, 0);
    framesShown++;
  }
  function fit() {
    const stage = $('stage');
    const ratio = window.devicePixelRatio || 1;
    let scale = Math.min(stage.clientWidth / W, stage.clientHeight / H);
    // Whole pixels: a whole number of device pixels per game pixel, when the tab is big enough.
    if (settings.wholeScale && scale * ratio >= 1) scale = Math.floor(scale * ratio) / ratio;
    canvas.style.width = Math.floor(W * scale) + 'px';
    canvas.style.height = Math.floor(H * scale) + 'px';
  }

  // ---- Messages, overlays and the frame-cost display ----
  let messageTimer = 0;
  function say(text, isError = false, ms = 2500) {
    const m = $('message');
    m.textContent = text;
    m.classList.toggle('error', isError);
    m.hidden = false;
    clearTimeout(messageTimer);
    messageTimer = setTimeout(() => { m.hidden = true; }, ms);
    (isError ? console.warn : console.log)('vexlot: ' + text);
  }
  const STATUS = { playing: 1, dead: 2, ended: 4, replay: 8, replayDone: 16, paused: 32, mismatch: 64 };
  function updateOverlays() {
    const s = api && started ? api.status() : 0;
    const has = (bit) => (s & bit) !== 0;
    $('dead').hidden = !has(STATUS.dead) || has(STATUS.ended) || has(STATUS.replay);
    $('ended').hidden = !has(STATUS.ended) || has(STATUS.replay);
    if (has(STATUS.ended)) $('ended-frame').textContent = api.frame();
    $('paused').hidden = !has(STATUS.paused) || !$('help').hidden;
    const info = $('replay-info');
    info.hidden = !has(STATUS.replay);
    if (has(STATUS.replay)) {
      const checks = api.checksPassed();
      info.textContent = has(STATUS.mismatch) ? 'Replay: this game DIFFERS from the recording (frame ' + api.frame() + ')'
        : has(STATUS.replayDone) ? 'Replay verified: ' + checks + ' checkpoints, ' + api.frame() + ' frames · New game to play'
        : 'Replay: frame ' + api.frame() + ', ' + checks + ' checkpoints verified · P pause';
    }
  }
  let statsAt = 0;
  function updateStats(now) {
    const box = $('stats');
    box.hidden = !settings.stats;
    if (!settings.stats || !api || now - statsAt < 500) return;
    statsAt = now;
    const [steps, shows, sim, compose, show, passes] = api.cost().split(' ').map(Number);
    box.textContent = `${shows} fps (display ${passes} Hz), ${steps} game frames/s  frame ${api.frame()}\n` +
      `sim ${sim.toFixed(3)} ms  compose ${compose.toFixed(3)} ms  present ${show.toFixed(3)} ms`;
  }
  function tick(now) {
    updateOverlays();
    updateStats(now);
    requestAnimationFrame(tick);
  }

  // ---- Games, replays and level pictures ----
  function randomSeed() {
    const words = crypto.getRandomValues(new Uint32Array(2));
    return (BigInt(words[1] & 0xFFFF) << 32n) | BigInt(words[0]);  // 48 bits, like the desktop's clock seed
  }
  function newGame(chosen) {
    seed = chosen !== undefined ? chosen : randomSeed();
    api.newGame(Number(seed & 0xFFFFFFFFn), Number(seed >> 32n));
    say('A new game, seed ' + seed);
  }
  function seedFromAddress() {
    const text = new URLSearchParams(location.search).get('seed');
    return text !== null && /^\d{1,20}$/.test(text) && BigInt(text) < 2n ** 64n ? BigInt(text) : undefined;
  }
  function start() {
    if (!api || started) return;
    started = true;
    startAudio();
    $('start').hidden = true;
    newGame(seedFromAddress());
  }
  const REPLAY_LIMIT = 64 * 1024 * 1024;  // as the desktop program: replays and scripts 64 MiB
  const LEVEL_LIMIT = 8 * 1024 * 1024;    // level pictures 8 MiB
  function sizeText(bytes) {
    if (bytes >= 1024 * 1024) return Math.floor(bytes / (1024 * 1024)) + ' MiB';
    if (bytes >= 1024) return Math.floor(bytes / 1024) + ' KiB';
    return bytes + ' bytes';
  }
  async function openFile(file) {
    if (!api || !file) return;
    if (!started) { started = true; startAudio(); $('start').hidden = true; }
    // The desktop program's input limits, checked before the file is read: only its first bytes
    // say what it is, and its size is known without reading it.
    let bytes;
    try {
      const head = new Uint8Array(await file.slice(0, 8).arrayBuffer());
      const isPng = head.length === 8 && head[0] === 0x89 && head[1] === 0x50 && head[2] === 0x4E && head[3] === 0x47;
      const limit = isPng ? LEVEL_LIMIT : REPLAY_LIMIT;
      if (file.size > limit) {
        return say(`${file.name} is ${sizeText(file.size)}, more than the ${sizeText(limit)} a ` +
                   (isPng ? 'level picture' : 'replay') + ' may have', true, 6000);
      }
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch (e) {
      return say(file.name + ': cannot be read (' + e.message + ')', true, 6000);
    }
    const isPng = bytes.length > 8 && bytes[0] === 0x89 && bytes[1] === 0x50 && bytes[2] === 0x4E && bytes[3] === 0x47;
    if (isPng) {
      api.mod.FS.writeFile('/level.png', bytes);
      if (!api.chooseLevel('/level.png')) return say(file.name + ': ' + api.error(), true, 6000);
      newGame();
      say('Level ' + file.name + ', seed ' + seed);
    } else {
      api.mod.FS.writeFile('/play.replay', bytes);
      if (!api.playReplay('/play.replay')) return say(file.name + ': ' + api.error(), true, 6000);
      say('Playing the replay ' + file.name);
    }
  }
  function downloadReplay() {
    const text = api && started ? api.replayText() : '';
    if (!text) return say('No game of your own to save (a replay plays)', true);
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
    link.download = `vexlot-${seed}-${api.frame()}.replay`;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    say('Replay saved (' + api.frame() + ' frames)');
  }
  function toggleHelp(show = $('help').hidden) {
    $('help').hidden = !show;
    if (api && started) api.setPaused(show || !$('paused').hidden ? 1 : 0);
  }
  function togglePause() {
    if (!api || !started) return;
    api.setPaused((api.status() & STATUS.paused) ? 0 : 1);
  }
  function toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen();
    else document.documentElement.requestFullscreen().catch(() => say('Fullscreen is not allowed here', true));
  }

  // ---- Keys of the page itself; the game's keys go to the module (html5.h) ----
  // The module's listener sees each key first and passes over the page's own keys (F keys, ?, P,
  // - and +), and every key while the help is up or the game is paused.
  window.addEventListener('keydown', (e) => {
    const mine = () => { e.preventDefault(); e.stopImmediatePropagation(); };
    if (!started) {
      if (e.key === 'Enter' || e.key === ' ') { mine(); start(); }
      return;
    }
    if (e.key === 'F1' || e.key === '?' || (e.key === 'Escape' && !$('help').hidden)) { mine(); toggleHelp(); return; }
    if (!$('help').hidden) { mine(); return; }  // the help is up: the game waits
    const s = api.status();
    if (e.key === 'Enter' && (s & (STATUS.dead | STATUS.ended)) && !(s & STATUS.replay)) { mine(); newGame(); return; }
    if (e.repeat) return;
    switch (e.key) {
      case 'p': case 'P': case 'Pause': mine(); togglePause(); break;
      case '-': mine(); changeVolume(-10); break;
      case '+': case '=': mine(); changeVolume(10); break;
      case 'F3': mine(); settings.stats = !settings.stats; saveSettings(); break;
      case 'F11': mine(); toggleFullscreen(); break;
      default: break;
    }
  });
  window.addEventListener('keyup', (e) => { if (!started || !$('help').hidden) e.stopImmediatePropagation(); });
  window.addEventListener('blur', () => { if (api && started) api.releaseKeys(); });

  canvas.addEventListener('mousedown', (e) => {
    if (!api || !started) return;
    const r = canvas.getBoundingClientRect();
    api.press(Math.floor((e.clientX - r.left) * W / r.width), Math.floor((e.clientY - r.top) * H / r.height));
    e.preventDefault();
  });
  $('start').addEventListener('click', start);
  $('ended').addEventListener('click', () => newGame());
  $('help').addEventListener('click', () => toggleHelp(false));

  // Toolbar: each button gives the focus back, so Space and Enter stay the game's.
  const button = (id, action) => $(id).addEventListener('click', (e) => { e.currentTarget.blur(); action(); });
  button('new-game', () => { if (!started) start(); else newGame(); });
  button('download', downloadReplay);
  button('load-replay', () => $('replay-file').click());
  button('load-level', () => $('level-file').click());
  button('fullscreen', toggleFullscreen);
  button('help-button', () => toggleHelp());
  for (const id of ['replay-file', 'level-file']) {
    $(id).addEventListener('change', (e) => { openFile(e.target.files[0]); e.target.value = ''; });
  }
  $('volume').addEventListener('input', (e) => { settings.volume = Number(e.target.value); applyVolume(); saveSettings(); });
  $('whole-scale').checked = settings.wholeScale;
  $('whole-scale').addEventListener('change', (e) => { settings.wholeScale = e.target.checked; saveSettings(); fit(); e.target.blur(); });

  // Drag and drop: a replay or a level picture anywhere on the page.
  const stage = $('stage');
  window.addEventListener('dragover', (e) => { e.preventDefault(); stage.classList.add('dragging'); });
  window.addEventListener('dragleave', () => stage.classList.remove('dragging'));
  window.addEventListener('drop', (e) => {
    e.preventDefault();
    stage.classList.remove('dragging');
    openFile(e.dataTransfer.files[0]);
  });

  window.addEventListener('resize', fit);
  document.addEventListener('fullscreenchange', fit);
  fit();
  applyVolume();
  requestAnimationFrame(tick);

  // ---- The module ----
  createVexlot({
    vexlotPresent: present,
    vexlotSound: playSound,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
  }).then((mod) => {
    const c = (name, ret, args) => mod.cwrap(name, ret, args);
    api = {
      mod,
      newGame: c('vx_new_game', 'number', ['number', 'number']),
      playReplay: c('vx_play_replay', 'number', ['string']),
      chooseLevel: c('vx_choose_level', 'number', ['string']),
      error: c('vx_error', 'string', []),
      replayText: c('vx_replay_text', 'string', []),
      press: c('vx_press', null, ['number', 'number']),
      setPaused: c('vx_set_paused', null, ['number']),
      releaseKeys: c('vx_release_keys', null, []),
      status: c('vx_status', 'number', []),
      frame: c('vx_frame', 'number', []),
      checksPassed: c('vx_checks_passed', 'number', []),
      cost: c('vx_cost', 'string', []),
      dump: c('vx_dump', 'string', []),
    };
    $('start-text').textContent = 'Click to play';
  }).catch((e) => {
    $('start-text').textContent = 'The game could not start: ' + e;
    console.error(e);
  });

  // For the browser test and the curious: the game's state as the page sees it.
  window.vexlot = {
    ready: () => api !== null,
    started: () => started,
    status: () => (api ? api.status() : 0),
    frame: () => (api ? api.frame() : 0),
    cost: () => (api ? api.cost() : ''),
    framesShown: () => framesShown,
    sound: () => ({ state: sound.ctx ? sound.ctx.state : 'none', started: sound.started, last: sound.last }),
    replayText: () => (api ? api.replayText() : ''),
    seed: () => String(seed),
    newGame: (chosen) => newGame(BigInt(chosen)),
    dump: () => (api ? api.dump() : '{}'),
  };
})();
