"""Pictures of what is on the screen."""
import os

from PIL import ImageGrab


def save(path, box, display):
    """Saves the screen area box = (x, y, width, height) of `display` as a PNG at `path`."""
    x, y, w, h = box
    os.makedirs(os.path.dirname(path), exist_ok=True)
    ImageGrab.grab(bbox=(x, y, x + w, y + h), xdisplay=display).save(path)
    return path
