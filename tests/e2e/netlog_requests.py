#!/usr/bin/env python3
"""Lists the URL requests of a Chromium net log (--log-net-log=FILE).

One line per request, tab-separated: its net error (0 = none, -1 = it never
ended), the HTTP status of the last answer (0 when none arrived), that
answer's Content-Type, and the URL without Chromium's "(credentials
redacted)" note. The last answer counts: a request that Chromium repeats
with credentials after a 401 challenge is one request, and its second answer
is what the page got.

usage: netlog_requests.py NETLOG
"""
import json
import sys


def load(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        text = f.read()
    try:
        return json.loads(text)
    except json.JSONDecodeError:
        # A browser that did not shut down cleanly leaves the event list open.
        return json.loads(text.rstrip().rstrip(",") + "]}")


def main():
    log = load(sys.argv[1])
    constants = log["constants"]
    event_names = {v: k for k, v in constants["logEventTypes"].items()}
    url_request = constants["logSourceType"]["URL_REQUEST"]
    phase_end = constants["logEventPhase"]["PHASE_END"]
    # source id -> [url, net error, status, content type], in order of start;
    # -1 (ERR_IO_PENDING) stays for a request that never ended.
    requests = {}
    for event in log["events"]:
        source = event["source"]
        if source["type"] != url_request:
            continue
        entry = requests.setdefault(source["id"], ["", -1, 0, ""])
        name = event_names.get(event["type"], "")
        params = event.get("params") or {}
        if name == "REQUEST_ALIVE" and "url" in params:
            entry[0] = params["url"].replace(" (credentials redacted)", "")
        if name == "REQUEST_ALIVE" and event["phase"] == phase_end:
            # The outcome of the request as a whole: errors on the way that
            # Chromium recovered from (a kept connection the server had
            # closed, retried on a new one) do not count.
            entry[1] = params.get("net_error", 0)
        if name == "HTTP_TRANSACTION_READ_RESPONSE_HEADERS":
            headers = params.get("headers", [])
            if headers:
                entry[2] = int(headers[0].split()[1])
                entry[3] = ""
                for line in headers[1:]:
                    key, _, value = line.partition(":")
                    if key.strip().lower() == "content-type":
                        entry[3] = value.strip()
    for url, error, status, content_type in requests.values():
        if url:
            print(f"{error}\t{status}\t{content_type}\t{url}")


if __name__ == "__main__":
    main()
