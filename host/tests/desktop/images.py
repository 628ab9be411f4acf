"""Screenshots and renderings as values: (width, height, channels, bytes), RGB or RGBA."""
import subprocess


def read_netpbm(data):
    """(width, height, channels, pixels) of a binary PPM (P6) or PAM (P7)."""
    if data.startswith(b"P7"):
        end = data.index(b"ENDHDR\n") + len(b"ENDHDR\n")
        fields = dict(line.split(b" ", 1) for line in data[3:end].split(b"\n") if b" " in line)
        return int(fields[b"WIDTH"]), int(fields[b"HEIGHT"]), int(fields[b"DEPTH"]), data[end:]
    magic, width, height, maxval, pixels = data.split(maxsplit=4)
    assert magic == b"P6" and maxval == b"255", "not an 8-bit PPM"
    return int(width), int(height), 3, pixels[:int(width) * int(height) * 3]


def crop(image, x, y, width, height):
    """The part of an RGB image at x, y (clipped to the image)."""
    full_width, full_height, _, pixels = image
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(full_width, x + width), min(full_height, y + height)
    rows = [pixels[(row * full_width + x0) * 3:(row * full_width + x1) * 3] for row in range(y0, y1)]
    return max(0, x1 - x0), max(0, y1 - y0), 3, b"".join(rows)


def pixel(image, x, y):
    width, _, _, pixels = image
    i = (y * width + x) * 3
    return tuple(pixels[i:i + 3])


def near(colour, expected, tolerance=8):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def save_ppm(image, path):
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % image[:2] + image[3])


def png_image(path):
    return read_netpbm(subprocess.run(["pngtopam", "-alphapam", path], capture_output=True, check=True).stdout)


class Picture:
    """An offscreen rendering prepared for comparisons: its colours without alpha, and which pixels
    count. Only pixels painted opaquely and away from the widget's edge do: without a compositor the
    X server shows black outside the corners, and the edge's antialiasing may differ by a step."""

    def __init__(self, image):
        self.width, self.height, channels, pixels = image
        if channels == 4:
            rgb = bytearray(self.width * self.height * 3)
            for channel in range(3):
                rgb[channel::3] = pixels[channel::4]
            self.rgb, alpha = bytes(rgb), pixels[3::4]
        else:
            self.rgb, alpha = pixels, b"\xff" * (self.width * self.height)
        self.alpha = alpha
        w, h = self.width, self.height
        opaque = [a == 255 for a in alpha]
        self.counted = bytearray(w * h)
        for y in range(1, h - 1):
            for x in range(1, w - 1):
                i = y * w + x
                if opaque[i] and opaque[i - 1] and opaque[i + 1] and opaque[i - w] and opaque[i + w] and \
                        opaque[i - w - 1] and opaque[i - w + 1] and opaque[i + w - 1] and opaque[i + w + 1]:
                    self.counted[i] = 1


def difference(shot, render, give_up=None):
    """How a screenshot differs from a rendering: None when the sizes differ, else the number of
    compared pixels off by more than 8 in a channel, the number compared and the largest difference.
    Rows that are equal byte for byte are taken as a whole; with `give_up`, counting stops there."""
    width, height, channels, pixels = shot
    if (width, height) != (render.width, render.height):
        return None
    if channels != 3:
        return None
    stride = width * 3
    off = worst = 0
    compared = sum(render.counted)
    for y in range(height):
        row = slice(y * stride, (y + 1) * stride)
        if pixels[row] == render.rgb[row]:
            continue
        for x in range(width):
            i = y * width + x
            if not render.counted[i]:
                continue
            j = i * 3
            d = max(abs(pixels[j] - render.rgb[j]), abs(pixels[j + 1] - render.rgb[j + 1]),
                    abs(pixels[j + 2] - render.rgb[j + 2]))
            worst = max(worst, d)
            if d > 8:
                off += 1
                if give_up is not None and off > give_up:
                    return off, compared, worst
    return off, compared, worst


def same_picture(shot, render):
    """Equal but for a few pixels: the window paints the renderer's own image, so any difference is a
    fault; the allowance keeps a stray pixel of the X server from failing the suite."""
    allowed = render.width * render.height // 1000
    diff = difference(shot, render, give_up=allowed)
    return diff is not None and diff[0] <= allowed


def pictures_alike(first, second):
    """Whether two renderings show the same (for checking that a change changes the picture)."""
    return first.rgb == second.rgb and first.alpha == second.alpha
