#!/usr/bin/python3
"""Writes protected.doc: plain.doc saved again with the password "secret".

Needs LibreOffice's Python bridge (Debian package python3-uno) and Debian's own
python3, which is the one that package installs into."""

import os
import subprocess
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


here = os.path.dirname(os.path.abspath(__file__))
profile = tempfile.mkdtemp(prefix="parlanza-fixtures-")
office = subprocess.Popen([
    "soffice", "-env:UserInstallation=file://" + profile, "--headless", "--norestore",
    "--accept=socket,host=localhost,port=2077;urp;"])
try:
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    context = None
    for _ in range(60):
        try:
            context = resolver.resolve(
                "uno:socket,host=localhost,port=2077;urp;StarOffice.ComponentContext")
            break
        except Exception:
            time.sleep(0.5)
    desktop = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.frame.Desktop", context)
    document = desktop.loadComponentFromURL(
        "file://" + os.path.join(here, "plain.doc"), "_blank", 0, (prop("Hidden", True),))
    document.storeToURL("file://" + os.path.join(here, "protected.doc"),
                        (prop("FilterName", "MS Word 97"), prop("Password", "secret")))
    document.close(True)
    try:
        desktop.terminate()
    except Exception:
        pass
    office.wait(timeout=30)
finally:
    if office.poll() is None:
        office.kill()
