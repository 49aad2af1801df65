"""End-to-end tests of Brellix: the real Brellix.exe under Wine, driven from
outside as a player meets it. driver.py starts and drives the game, from the
modules for its process and windows, keys, dialogs and files, and pictures;
each test_*.py module holds the cases of one area; `python3 -m e2e` runs them."""
