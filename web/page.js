// The page's script: loads the program and its data while the title shows, starts the demo
// on the viewer's click (browsers play sound only after one), keeps the canvas's pixels at its
// size on screen, toggles full screen, and offers to play again once the demo has ended.
'use strict';

// The largest drawing buffer in device pixels: sharp on a 2560 x 1440 screen, no larger.
const maxCanvasWidth = 2560;
const maxCanvasHeight = 1440;

const stage = document.getElementById('stage');
const canvas = document.getElementById('canvas');
const front = document.getElementById('front');
const progress = document.getElementById('progress');
const statusLine = document.getElementById('status');
const startButton = document.getElementById('start');

function hasWebGL() {
  try {
    return document.createElement('canvas').getContext('webgl') !== null;
  } catch (error) {
    return false;
  }
}

// The drawing buffer takes the canvas's size on screen in device pixels; the program sees
// the change at its next frame.
function fitCanvas() {
  const box = canvas.getBoundingClientRect();
  const scale = Math.min(window.devicePixelRatio || 1, maxCanvasWidth / box.width, maxCanvasHeight / box.height);
  canvas.width = Math.round(box.width * scale);
  canvas.height = Math.round(box.height * scale);
}

// Requests the page makes from its own click and key handlers, which carry the viewer's
// gesture: the browser refuses them (an error in the console) from anywhere else.
function toggleFullscreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
    return;
  }
  stage.requestFullscreen().then(() => canvas.requestPointerLock()).catch(() => {});
}

function showFront(message, buttonText, action) {
  statusLine.textContent = message;
  startButton.textContent = buttonText;
  startButton.onclick = action;
  progress.hidden = true;
  front.hidden = false;
}

var Module = {
  canvas: canvas,
  // The program's log, line by line, but for what Emscripten's SDL says of the calls it
  // ignores (SDL_Quit and the like), which the desktop's log does not show.
  print(line) {
    if (!line.endsWith(' called (and ignored)')) {
      console.log(line);
    }
  },
  // Downloading data... (loaded/total), then '' once everything is in.
  setStatus(text) {
    const counts = /\((\d+)\/(\d+)\)/.exec(text);
    if (counts) {
      progress.value = Number(counts[1]) / Number(counts[2]);
      statusLine.textContent = `Loading ${Math.round(100 * progress.value)} %`;
    }
  },
  onRuntimeInitialized() {
    progress.value = 1;
    statusLine.textContent = 'Ready';
    startButton.disabled = false;
  },
  onExit() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    }
    showFront('The end. Thank you for watching.', 'Play again', () => location.reload());
  },
  onAbort(reason) {
    showFront(`The demo stopped: ${reason}`, 'Reload', () => location.reload());
  },
};

if (hasWebGL()) {
  startButton.onclick = () => {
    front.hidden = true;
    fitCanvas();
    canvas.focus();
    Module.callMain([]);
  };
  window.addEventListener('resize', fitCanvas);
  canvas.addEventListener('dblclick', toggleFullscreen);
  document.addEventListener('keydown', (event) => {
    if (front.hidden && !event.repeat && event.code === 'KeyF' && !event.ctrlKey && !event.altKey && !event.metaKey) {
      toggleFullscreen();
    }
  });
} else {
  // The program still loads behind the message: nothing it reports may replace it.
  Module.setStatus = () => {};
  Module.onRuntimeInitialized = () => {};
  progress.hidden = true;
  startButton.hidden = true;
  statusLine.textContent =
    'Tramble draws with WebGL, which this browser does not offer: try another browser, or switch on its hardware acceleration.';
}
