# Reads a mail file with Python's own email package and prints what a mail program would see.
import base64
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    raw = f.read()
message = email.message_from_bytes(raw, policy=email.policy.default)
out = {
    "from": str(message["From"]),
    "to": [str(a) for a in message["To"].addresses] if message["To"] else [],
    "subject": str(message["Subject"]),
    "date": str(message["Date"]),
    "type": message.get_content_type(),
    "crlf": b"\r\n" in raw and b"\n" not in raw.replace(b"\r\n", b""),
    "defects": len(message.defects),
    "parts": [],
}
for part in message.walk():
    if part.is_multipart():
        continue
    out["parts"].append({
        "type": part.get_content_type(),
        "filename": part.get_filename(),
        "disposition": part.get_content_disposition(),
        "payload": base64.b64encode(part.get_payload(decode=True)).decode(),
        "charset": part.get_content_charset(),
        "text": part.get_content().replace("\r\n", "\n") if part.get_content_maintype() == "text" else None,
    })
print(json.dumps(out))
