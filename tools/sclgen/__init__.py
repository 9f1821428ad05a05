"""Model and printers of the typed SCL surface (see tools/gen_typed_classes.py)."""
