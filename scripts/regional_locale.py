"""Regional settings like LibreOffice's en-US for the tbulxcmd runs of the
as-shown checks.

tbulxcmd takes its regional settings from the process locale. The C library's
en_US writes the short date as %m/%d/%Y, so the built-in short-date formats
show 05/10/2007 where LibreOffice's own en-US shows 5/10/2007. To compare the
readers rather than two sets of regional settings, the checks can run tbulxcmd
in an en_US.UTF-8 compiled from the C library's en_US with LibreOffice's short
date (%-m/%-d/%Y), found through LOCPATH. Nothing else of en_US changes.
"""

import os
import re
import shutil
import subprocess
import sys

LOCALE_NAME = "en_US.UTF-8"
SOURCE = "/usr/share/i18n/locales/en_US"
SHORT_DATE = '"%-m//%-d//%Y"'  # the locale source doubles each slash


def with_libreoffice_short_date(source):
    """The locale source text with LibreOffice's short date as its d_fmt, or
    None when it has no single d_fmt line."""
    changed, count = re.subn(r'^d_fmt\s+"[^"]*"', lambda _: "d_fmt   " + SHORT_DATE, source, flags=re.M)
    return changed if count == 1 else None


def libreoffice_like_locale(folder):
    """The folder to give as LOCPATH (the locale compiled there once), or None
    with a reason on standard error when it cannot be made."""
    compiled = os.path.join(folder, LOCALE_NAME)
    if os.path.isfile(os.path.join(compiled, "LC_TIME")):
        return folder
    if shutil.which("localedef") is None or not os.path.isfile(SOURCE):
        print("regional settings: localedef or the en_US locale source is missing;"
              " tbulxcmd runs in the process locale", file=sys.stderr)
        return None
    os.makedirs(folder, exist_ok=True)
    with open(SOURCE, encoding="utf-8") as source:
        text = source.read()
    changed = with_libreoffice_short_date(text)
    if changed is None:
        print("regional settings: no d_fmt line in the en_US source", file=sys.stderr)
        return None
    source_copy = os.path.join(folder, "en_US-libreoffice")
    with open(source_copy, "w", encoding="utf-8") as out:
        out.write(changed)
    # localedef finds the files the source copies (i18n, translit_combining)
    # in its own search path.
    run = subprocess.run(["localedef", "-i", source_copy, "-f", "UTF-8", compiled], capture_output=True)
    if not os.path.isfile(os.path.join(compiled, "LC_TIME")):
        print("regional settings: localedef failed: " + run.stderr.decode(errors="replace").strip(),
              file=sys.stderr)
        return None
    return folder


def use_libreoffice_like_locale(folder):
    """Sets this process's environment, which tbulxcmd runs inherit, to that
    locale; True when it could be made."""
    path = libreoffice_like_locale(folder)
    if path is None:
        return False
    os.environ["LOCPATH"] = path
    os.environ["LC_ALL"] = LOCALE_NAME
    return True
