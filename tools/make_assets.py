#!/usr/bin/env python3
"""Regenerates every file of assets/: the font, the 18 pictures and the 7 sounds.

All generators are deterministic, so running this again reproduces the
committed files byte for byte.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import make_font  # noqa: E402
import make_images  # noqa: E402
import make_sounds  # noqa: E402


def main():
    make_font.main()
    make_images.main()
    make_sounds.main()


if __name__ == "__main__":
    main()
