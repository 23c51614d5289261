"""Submits the first form of an HTML page the way a browser does.

Reads the page (argv[1], bytes taken as Latin-1 so that every byte comes
back as it was), builds the form data set of its first form - text and hidden
inputs, ticked checkboxes, the selected options, textareas and the first
submit button as the pressed one - and prints it URL-encoded, as the body of
the POST request.
"""
import sys
import urllib.parse
from html.parser import HTMLParser


class Form(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pairs = []
        self.in_form = False
        self.done = False
        self.pressed = False
        self.select = None  # [name, first value, selected values]
        self.option = None
        self.textarea = None  # [name, text]

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if self.done:
            return
        if tag == "form":
            self.in_form = True
            return
        if not self.in_form:
            return
        if tag == "input":
            kind = (a.get("type") or "text").lower()
            name, value = a.get("name"), a.get("value") or ""
            if not name:
                return
            if kind in ("text", "hidden"):
                self.pairs.append((name, value))
            elif kind == "checkbox" and "checked" in a:
                self.pairs.append((name, value or "on"))
            elif kind == "submit" and not self.pressed:
                self.pressed = True
                self.pairs.append((name, value))
        elif tag == "select":
            self.select = [a.get("name"), None, []]
        elif tag == "option" and self.select is not None:
            value = a.get("value") or ""
            if self.select[1] is None:
                self.select[1] = value
            if "selected" in a:
                self.select[2].append(value)
        elif tag == "textarea":
            self.textarea = [a.get("name"), ""]

    def handle_endtag(self, tag):
        if self.done or not self.in_form:
            return
        if tag == "select" and self.select is not None:
            name, first, chosen = self.select
            for v in chosen or ([first] if first is not None else []):
                self.pairs.append((name, v))
            self.select = None
        elif tag == "textarea" and self.textarea is not None:
            name, text = self.textarea
            # The HTML parser drops one line feed right after <textarea>.
            if text.startswith("\n"):
                text = text[1:]
            # Browsers send the line ends of a textarea as CR LF.
            self.pairs.append((name, text.replace("\r\n", "\n").replace("\n", "\r\n")))
            self.textarea = None
        elif tag == "form":
            self.in_form = False
            self.done = True

    def handle_data(self, data):
        if self.textarea is not None:
            self.textarea[1] += data


def main():
    with open(sys.argv[1], "rb") as f:
        page = f.read().decode("latin-1")
    form = Form()
    form.feed(page)
    form.close()
    body = "&".join(
        urllib.parse.quote_plus(n.encode("latin-1")) + "=" + urllib.parse.quote_plus(v.encode("latin-1"))
        for n, v in form.pairs)
    sys.stdout.write(body)


main()
