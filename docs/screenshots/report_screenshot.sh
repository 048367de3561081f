#!/usr/bin/env bash
# The picture of the morning report as a mail client shows it: the headers
# of the first message the demo's mail server kept (build/demo/mail) above
# its HTML part, rendered by headless Chromium into docs/report-mail.png.
# Another message, picture or starting heading can be named: with a heading,
# the picture shows the body from that heading on (the headers stay above).
#   docs/screenshots/report_screenshot.sh [build dir]     (after ./build.sh demo)
#   docs/screenshots/report_screenshot.sh build m/2.json docs/report-late.png "Encomendas em atraso"
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
record=${2:-$build/demo/mail/1.json}
picture=${3:-$root/docs/report-mail.png}
heading=${4:-}
[ -f "$record" ] || { echo "no message in $build/demo/mail: run ./build.sh demo" >&2; exit 2; }
command -v chromium >/dev/null || { echo "chromium is needed" >&2; exit 2; }
page=$(dirname "$record")/$(basename "$record" .json)-view.html
/usr/bin/python3 - "$record" "$page" "$heading" <<'PY'
import html, json, sys
r = json.load(open(sys.argv[1]))
head = "".join(
    '<tr><td style="color:#666;padding:2px 12px 2px 0">%s</td><td>%s</td></tr>'
    % (k, html.escape(v)) for k, v in
    [("De", r["from"]), ("Para", r["to"]), ("Assunto", r["subject"]),
     ("Anexo", ", ".join(r["attachments"]))])
body = r["html"].split("<body", 1)[1].split(">", 1)[1].rsplit("</body>", 1)[0]
if sys.argv[3]:
    at = body.find(">" + html.escape(sys.argv[3], quote=False))
    if at < 0:
        sys.exit("no heading %r in the message" % sys.argv[3])
    body = body[body.rfind("<h", 0, at):]
open(sys.argv[2], "w", encoding="utf-8").write(
    '<!DOCTYPE html><html><head><meta charset="utf-8"></head>'
    '<body style="margin:0;font-family:Verdana,Arial,sans-serif;font-size:13px">'
    '<div style="background:#f1f3f6;border-bottom:1px solid #ccd;padding:10px 16px">'
    '<table style="font-size:13px">' + head + '</table></div>'
    '<div style="padding:4px 16px">' + body + '</div></body></html>')
PY
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
  --window-size=1000,1300 --screenshot="$picture" \
  "file://$page" >/dev/null 2>&1
echo "$picture"
