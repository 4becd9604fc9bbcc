#!/usr/bin/env python3
"""Validates every example job against the committed JSON Schema with an independent
validator: validate_examples.py EXAMPLES_DIR. Exits non-zero on the first fault."""
import json
import pathlib
import sys

import jsonschema

folder = pathlib.Path(sys.argv[1])
schema = json.loads((folder / "job.schema.json").read_text(encoding="utf-8"))
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)
jobs = sorted(p for p in folder.glob("*.json") if p.name != "job.schema.json")
if not jobs:
    sys.exit(f"no example jobs in {folder}")
failed = 0
for job in jobs:
    errors = list(validator.iter_errors(json.loads(job.read_text(encoding="utf-8"))))
    for error in errors:
        print(f"{job.name}: /{'/'.join(str(p) for p in error.absolute_path)}: {error.message}")
    failed += bool(errors)
    print(f"{job.name}: {'INVALID' if errors else 'valid'}")
sys.exit(1 if failed else 0)
