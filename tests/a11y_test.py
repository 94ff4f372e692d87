"""What a screen reader reads of the stand-in host and does with it, through
AT-SPI:   a11y_test.py          (the host is running, with atk-bridge)
Names and roles of the panel's controls and the menu's items; each label on
the side of its control that the language reads from (to the right in a
right-to-left language); the level set through the Value interface and
"Level 9" picked through the Action interface, each followed by the other
side."""
import gettext
import os
import sys
import time

import pyatspi

# The texts as the host shows them: LANGUAGE's, from the build's catalogues.
_ = gettext.translation("zorvane-plugin", os.environ.get("ZORVANE_CATALOGUES"),
                        [os.environ.get("LANGUAGE", "C")], fallback=True).gettext

# The languages written from right to left, whose panel the toolkit mirrors.
RIGHT_TO_LEFT = ("ar", "he")

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def settle(condition, seconds=20):
    """Events cross two processes and the bus: wait for them."""
    end = time.time() + seconds
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.1)
    return False


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == os.environ["ZORVANE_HOST_NAME"]:
            return app
    return None


def find(node, role, name):
    if node.getRole() == role and node.name == name:
        return node
    for i in range(node.childCount):
        found = find(node.getChildAtIndex(i), role, name)
        if found is not None:
            return found
    return None


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


if not settle(lambda: application() is not None):
    sys.exit("FAIL: the host never showed up on the accessibility bus")
app = application()
spin = find(app, pyatspi.ROLE_SPIN_BUTTON, _("Starting level"))
box = find(app, pyatspi.ROLE_CHECK_BOX, _("Sound"))
settings = find(app, pyatspi.ROLE_MENU, _("Settings"))
check(spin is not None, "no spin button named 'Starting level'")
check(box is not None, "no check box named 'Sound'")
check(settings is not None, "no menu named 'Settings'")
if failures:
    sys.exit(1)
check(spin.description == _("The level a new game starts at"),
      "spin button description: %r" % spin.description)
check(box.description == _("Whether the game plays sound"),
      "check box description: %r" % box.description)
# Labels are read before their controls: to their left, or in a
# right-to-left language to their right.
mirrored = os.environ.get("LANGUAGE", "") in RIGHT_TO_LEFT
for text, control in ((_("Starting level"), spin), (_("Sound"), box)):
    label = find(app, pyatspi.ROLE_LABEL, text)
    check(label is not None, "no label %r" % text)
    if label is not None:
        x = lambda node: node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).x
        check((x(label) > x(control)) == mirrored,
              "label %r at x %d, its control at x %d" % (text, x(label), x(control)))
under = [settings.getChildAtIndex(i) for i in range(settings.childCount)]
check([(c.getRole(), c.name) for c in under]
      == [(pyatspi.ROLE_MENU, _("Difficulty")), (pyatspi.ROLE_SEPARATOR, ""),
          (pyatspi.ROLE_CHECK_MENU_ITEM, _("Sound"))],
      "under Settings: %r" % [(c.getRoleName(), c.name) for c in under])
levels = [under[0].getChildAtIndex(i) for i in range(under[0].childCount)]
check([(c.getRole(), c.name) for c in levels]
      == [(pyatspi.ROLE_RADIO_MENU_ITEM, _("Level %d") % n) for n in range(1, 13)],
      "under Difficulty: %r" % [(c.getRoleName(), c.name) for c in levels])

spin.queryValue().currentValue = 5
check(settle(lambda: checked(levels[4])), "the menu did not follow the Value 5")
levels[8].queryAction().doAction(0)
check(settle(lambda: spin.queryValue().currentValue == 9),
      "the panel did not follow the pick of Level 9")
check([checked(c) for c in levels].count(True) == 1, "not one level checked")
box.queryAction().doAction(0)
check(settle(lambda: checked(under[2])), "the menu's Sound did not follow")
if failures:
    sys.exit(1)
print("ok: names, roles and descriptions read; Value and Action followed")
