"""Every narrow literal of the program's sources (captions, hints, messages,
file and key names) has a code page 932 form: the stored files hold them in
it. Usage: program_texts.py FOLDER..."""
import pathlib
import re
import sys

LITERAL = re.compile(r'(?<![LuU8\w])"((?:[^"\\\n]|\\.)*)"')
COMMENT = re.compile(r'//[^\n]*|/\*.*?\*/', re.S)
failures = []
for folder in sys.argv[1:]:
    for path in sorted(pathlib.Path(folder).rglob('*')):
        if path.suffix not in ('.cpp', '.h'):
            continue
        # Literals first, so that "//" inside one is no comment.
        text = path.read_text(encoding='utf-8')
        code = COMMENT.sub('', LITERAL.sub(lambda m: '"' + m.group(1).replace('/', '\\x2F') + '"', text))
        for match in LITERAL.finditer(code):
            try:
                match.group(1).encode('cp932')
            except UnicodeEncodeError:
                failures.append(f'{path}: "{match.group(1)}"')
print('\n'.join(failures) or 'all program texts have a code page 932 form')
sys.exit(1 if failures else 0)
