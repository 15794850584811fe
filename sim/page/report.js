(function () {
  "use strict";
  const svg = document.getElementById("run");
  const lines = Array.from(document.querySelectorAll("li[id^='event-']"));
  const marks = Array.from(svg.querySelectorAll(".marker"));

  // Hovering a mark lights the lines of the events folded into it, and a line lights its mark.
  const folded = (mark, line) => line.dataset.kind === mark.dataset.kind &&
      Number(line.dataset.frame) >= Number(mark.dataset.frame) && Number(line.dataset.frame) <= Number(mark.dataset.last);
  for (const mark of marks) {
    const mine = lines.filter((line) => folded(mark, line));
    const light = (on) => () => {
      for (const element of [mark, ...mine]) element.classList.toggle("hot", on);
    };
    for (const element of [mark, ...mine]) {
      element.addEventListener("mouseenter", light(true));
      element.addEventListener("mouseleave", light(false));
    }
  }

  // Then the page counts what the browser laid out inside the chart into #page-check.
  const box = svg.getBoundingClientRect();
  const inside = (element) => {
    const r = element.getBoundingClientRect();
    return r.width > 0 && r.height > 0 && r.left >= box.left - 1 && r.right <= box.right + 1 &&
           r.top >= box.top - 1 && r.bottom <= box.bottom + 1;
  };
  const laidOut = (selector) => Array.from(svg.querySelectorAll(selector)).filter(inside);
  // The share of a lane's area that its rectangles cover, in percent: what a reader sees of it.
  const ink = (lane, selector) => {
    const group = document.getElementById(lane);
    if (!group) return "0.0";
    let area = 0;
    for (const element of Array.from(group.querySelectorAll(selector)).filter(inside)) {
      const b = element.getBBox();
      area += b.width * b.height;
    }
    return (100 * area / (Number(svg.dataset.plotWidth) * Number(group.dataset.height))).toFixed(1);
  };
  const fill = (element) => getComputedStyle(element).fill;
  const check = document.getElementById("page-check");
  check.dataset.bands = laidOut(".band rect").length;
  check.dataset.markers = marks.filter(inside).length;
  check.dataset.listed = lines.length;
  check.dataset.mixed = laidOut(".mix").length;
  check.dataset.weatherInk = ink("weather", "rect");
  check.dataset.callsInk = ink("calls", ".bar.most");
  check.dataset.idleInk = ink("idle", ".idle");
  check.dataset.loadedInk = ink("plugins", ".loaded");
  check.dataset.shares = laidOut(".share.damage").length;

  // The weather key: each weather of the lane once, in the colour of its bands.
  const shown = new Map();
  for (const part of svg.querySelectorAll("#weather [data-weather]")) {
    const rect = part.tagName === "rect" ? part : part.querySelector("rect");
    shown.set(part.dataset.weather, fill(rect));
  }
  const keys = laidOut(".weather-key");
  check.dataset.weathers = Array.from(shown.keys()).sort().join(" ");
  check.dataset.weatherKeys = keys.map((key) => key.dataset.weather).sort().join(" ");
  check.dataset.weatherKeysMatched = keys.filter((key) => shown.get(key.dataset.weather) === fill(key.querySelector("rect"))).length;

  // The events: each kind its own look, the same at the row's name; a fold shows its count.
  const look = (element) => fill(element) + " " + element.getAttribute("href");
  const kinds = new Map();
  for (const mark of marks) {
    const seen = kinds.get(mark.dataset.kind) || new Set();
    seen.add(look(mark.querySelector("use")));
    kinds.set(mark.dataset.kind, seen);
  }
  const looks = new Set(Array.from(kinds.values(), (seen) => Array.from(seen).join(",")));
  check.dataset.markKinds = kinds.size;
  check.dataset.markLooks = Array.from(kinds.values()).every((seen) => seen.size === 1) ? looks.size : 0;
  check.dataset.markKeys = laidOut(".mark-key").filter((key) => {
    const seen = Array.from(kinds).find(([kind]) => key.classList.contains(kind));
    return seen && seen[1].has(look(key));
  }).length;
  // A mark and its number end before the next mark of its row begins.
  const right = (mark) => Math.max(...Array.from(mark.querySelectorAll("use, .count"), (e) => e.getBoundingClientRect().right));
  check.dataset.marksOverlapping = marks.filter((mark, i) => {
    const next = marks[i + 1];
    return next && next.dataset.kind === mark.dataset.kind &&
           right(mark) > next.querySelector("use").getBoundingClientRect().left;
  }).length;
  const folds = marks.filter((mark) => Number(mark.dataset.count) > 1);
  check.dataset.folds = folds.length;
  check.dataset.foldsCounted = folds.filter((mark) => {
    const count = mark.querySelector(".count");
    return count && inside(count) && count.textContent === mark.dataset.count;
  }).length;

  // The calls' scale read at the tallest bar, and the most calls of any frame.
  const grid = Array.from(svg.querySelectorAll(".calls-grid"));
  let most = 0;
  for (const column of svg.querySelectorAll("#frames rect")) {
    most = Math.max(most, Number(column.dataset.natives.split("-").pop()));
  }
  check.dataset.callsRead = 0;
  if (grid.length > 1) {
    const [zero, step] = grid;
    const perCall = (zero.y1.baseVal.value - step.y1.baseVal.value) / Number(step.dataset.value);
    const tallest = Math.max(0, ...Array.from(svg.querySelectorAll(".bar.most"), (bar) => bar.getBBox().height));
    check.dataset.callsRead = Math.round(tallest / perCall);
  }
  check.dataset.callsMost = most;
  const labels = svg.querySelectorAll(".axis text");
  check.dataset.axisLast = labels.length ? labels[labels.length - 1].textContent : "";
})();
