// Line charts on a canvas: each series is drawn in one pass, the points thinned to the width.
export function drawSeries(canvas, series, limits = {}) {
  const g = canvas.getContext('2d');
  const { width, height } = canvas;
  g.fillStyle = '#ffffff';
  g.fillRect(0, 0, width, height);
  let [x0, x1, y0, y1] = [limits.x0, limits.x1, limits.y0, limits.y1];
  const xs = (s, k) => (s.x ? s.x[k] : k);
  for (const s of series) {
    const n = s.y.length;
    if (x0 === undefined || x1 === undefined) {
      x0 = Math.min(x0 ?? Infinity, n ? xs(s, 0) : 0);
      x1 = Math.max(x1 ?? -Infinity, n ? xs(s, n - 1) : 1);
    }
    if (limits.y0 === undefined) {
      for (let k = 0; k < n; k++) { y0 = Math.min(y0 ?? Infinity, s.y[k]); y1 = Math.max(y1 ?? -Infinity, s.y[k]); }
    }
  }
  if (!(x1 > x0)) x1 = x0 + 1;
  if (!(y1 > y0)) { y0 = (y0 ?? 0) - 1; y1 = (y1 ?? 0) + 1; }
  const px = (x) => ((x - x0) / (x1 - x0)) * (width - 8) + 4;
  const py = (y) => height - 4 - ((y - y0) / (y1 - y0)) * (height - 8);
  g.strokeStyle = '#c0c0c0';
  g.strokeRect(0.5, 0.5, width - 1, height - 1);
  for (const s of series) {
    g.strokeStyle = s.color;
    g.lineWidth = s.width || 1;
    g.setLineDash(s.dotted ? [2, 2] : []);
    g.beginPath();
    const n = s.y.length;
    const stride = Math.max(1, Math.floor(n / (width * 2)));
    for (let k = 0; k < n; k += stride) {
      const [X, Y] = [px(xs(s, k)), py(s.y[k])];
      if (k === 0) g.moveTo(X, Y); else g.lineTo(X, Y);
    }
    g.stroke();
  }
  g.setLineDash([]);
}
