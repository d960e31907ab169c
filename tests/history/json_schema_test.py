#!/usr/bin/env python3
"""Every JSON document qdu writes about checks, held against the schema it publishes."""
import copy
import json
import os
import subprocess
import sys
import tempfile

import jsonschema

qdu, schema_path = sys.argv[1], sys.argv[2]
with open(schema_path, encoding="utf-8") as f:
    schema = json.load(f)
jsonschema.Draft202012Validator.check_schema(schema)
validator = jsonschema.Draft202012Validator(schema)

with tempfile.TemporaryDirectory() as folder:
    env = dict(os.environ, HOME=folder, LANG="C.UTF-8", LC_ALL="",
               QDU_HISTORY=os.path.join(folder, "history.sqlite3"),
               QDU_SIM_STATE=os.path.join(folder, "state.json"))

    def qdu_json(*args):
        run = subprocess.run([qdu, *args], env=env, cwd=folder, capture_output=True,
                             text=True, timeout=240, check=False)
        if run.returncode != 0:
            sys.exit(f"qdu {' '.join(args)} ended with {run.returncode}: {run.stderr}")
        return json.loads(run.stdout)

    documents = {
        "check": qdu_json("--simulate", "--json", "check", "--quick", "--yes"),
        "history": qdu_json("--json", "history"),
        "history show": qdu_json("--json", "history", "show", "1"),
        "history export": qdu_json("history", "export", "1", "--format", "json"),
    }
    failed = False
    for name, document in documents.items():
        for error in validator.iter_errors(document):
            failed = True
            print(f"{name}: {error.json_path}: {error.message}")
    check = documents["check"]
    if not check["findings"] or check["disc"] is None or check.get("history_id") != 1:
        failed = True
        print("the check had no findings, no disc or no history number: nothing was tested")
    if documents["history export"] != check:
        failed = True
        print("the export is not the check as qdu check reported it")

    # The schema must refuse what readers could not use.
    for damage in (lambda d: d.update(disc_level="E"),
                   lambda d: d["findings"][0].update(time="1:2"),
                   lambda d: d.pop("drive")):
        broken = copy.deepcopy(check)
        damage(broken)
        if validator.is_valid(broken):
            failed = True
            print("a damaged document passed:", json.dumps(broken)[:200])
    sys.exit(1 if failed else 0)
