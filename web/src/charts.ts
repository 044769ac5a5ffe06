// SPDX-License-Identifier: Apache-2.0
// Charts with Apache ECharts: a toolbox on each (save as image, box zoom,
// restore), zoom by the wheel, and a choice of renderer (canvas saves PNG,
// SVG saves SVG).

import * as echarts from "echarts/core";
import { LineChart, ScatterChart, CustomChart } from "echarts/charts";
import {
  GridComponent,
  TooltipComponent,
  LegendComponent,
  ToolboxComponent,
  DataZoomComponent,
  MarkLineComponent,
  MarkPointComponent,
  MarkAreaComponent,
  TitleComponent,
} from "echarts/components";
import { CanvasRenderer, SVGRenderer } from "echarts/renderers";

echarts.use([
  LineChart,
  ScatterChart,
  CustomChart,
  GridComponent,
  TooltipComponent,
  LegendComponent,
  ToolboxComponent,
  DataZoomComponent,
  MarkLineComponent,
  MarkPointComponent,
  MarkAreaComponent,
  TitleComponent,
  CanvasRenderer,
  SVGRenderer,
]);

export type Renderer = "canvas" | "svg";
const RKEY = "pylora-web-renderer";

export function renderer(): Renderer {
  try {
    return localStorage.getItem(RKEY) === "svg" ? "svg" : "canvas";
  } catch {
    return "canvas";
  }
}

export function setRenderer(r: Renderer): void {
  try {
    localStorage.setItem(RKEY, r);
  } catch {
    /* ignore */
  }
}

const live = new Set<echarts.ECharts>();

window.addEventListener("resize", () => {
  for (const c of live) c.resize();
});

/** Disposes the charts inside a node that is about to be replaced. */
export function disposeWithin(node: Element): void {
  for (const c of Array.from(live)) {
    const dom = c.getDom();
    if (node.contains(dom)) {
      c.dispose();
      live.delete(c);
    }
  }
}

export function toolbox(name: string): object {
  return {
    right: 8,
    feature: {
      dataZoom: { title: { zoom: "Zoom", back: "Undo zoom" } },
      restore: { title: "Restore" },
      saveAsImage: { title: "Save image", name, pixelRatio: 2 },
    },
  };
}

/**
 * A chart in the given container (which must have a size). A container not
 * yet in the page gets its chart when it is: a chart drawn into a detached
 * node would have no size.
 */
// eslint-disable-next-line @typescript-eslint/no-explicit-any
export function chart(container: HTMLElement, option: any, tries = 0): void {
  if (!container.isConnected || container.clientWidth === 0) {
    if (tries < 120) requestAnimationFrame(() => chart(container, option, tries + 1));
    return;
  }
  const c = echarts.init(container, undefined, { renderer: renderer() });
  c.setOption({ animation: false, ...option });
  container.dataset.ready = "true";
  live.add(c);
}

export const PALETTE = ["#1f5fa8", "#c0392b", "#2e8b57", "#8e44ad", "#d35400", "#16a085", "#7f8c8d", "#b8860b"];
