"""Operator-level tests of the VARN program: the real executable under Xvfb, driven only through the X server."""
