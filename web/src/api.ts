// SPDX-License-Identifier: Apache-2.0
// The server's JSON API (docs/web-api.md). The token comes in the page's
// address (?token=...), is kept in the session's storage and goes with every
// request: as an Authorization header on fetches, as ?token= on event
// streams and download links.

const KEY = "pylora-web-token";

function readToken(): string {
  const params = new URLSearchParams(window.location.search);
  const fromUrl = params.get("token");
  if (fromUrl) {
    try {
      sessionStorage.setItem(KEY, fromUrl);
    } catch {
      /* storage may be off; the token then lives in this page only */
    }
    // Keep the token out of the address bar (and of copied links).
    params.delete("token");
    const rest = params.toString();
    const url = window.location.pathname + (rest ? "?" + rest : "") + window.location.hash;
    window.history.replaceState(null, "", url);
    return fromUrl;
  }
  try {
    return sessionStorage.getItem(KEY) ?? "";
  } catch {
    return "";
  }
}

export const token = readToken();

export class ApiError extends Error {
  status: number;
  body: unknown;
  constructor(status: number, message: string, body: unknown) {
    super(message);
    this.status = status;
    this.body = body;
  }
}

function headers(extra?: Record<string, string>): Record<string, string> {
  return { Authorization: "token " + token, ...(extra ?? {}) };
}

async function answer<T>(response: Response): Promise<T> {
  const text = await response.text();
  let body: unknown = text;
  try {
    body = text ? JSON.parse(text) : null;
  } catch {
    /* not JSON */
  }
  if (!response.ok) {
    const message =
      body && typeof body === "object" && "error" in body
        ? String((body as { error: unknown }).error)
        : `${response.status} ${response.statusText}`;
    throw new ApiError(response.status, message, body);
  }
  return body as T;
}

export async function getJson<T>(path: string): Promise<T> {
  return answer<T>(await fetch(path, { headers: headers(), cache: "no-store" }));
}

export async function getText(path: string): Promise<string> {
  const response = await fetch(path, { headers: headers(), cache: "no-store" });
  if (!response.ok) throw new ApiError(response.status, `${response.status} ${response.statusText}`, null);
  return response.text();
}

/** POST a model: a document (object) as JSON, or a file's text with its format. */
export async function postModel<T>(path: string, model: object | string, format?: string): Promise<T> {
  let url = path;
  let body: string;
  let type: string;
  if (typeof model === "string") {
    url += (url.includes("?") ? "&" : "?") + "format=" + encodeURIComponent(format ?? "json");
    body = model;
    type = "text/plain; charset=utf-8";
  } else {
    body = JSON.stringify(model);
    type = "application/json";
  }
  return answer<T>(await fetch(url, { method: "POST", headers: headers({ "Content-Type": type }), body }));
}

export async function del<T>(path: string): Promise<T> {
  return answer<T>(await fetch(path, { method: "DELETE", headers: headers() }));
}

/** An address that carries the token in its query (downloads, event streams). */
export function withToken(path: string): string {
  return path + (path.includes("?") ? "&" : "?") + "token=" + encodeURIComponent(token);
}
