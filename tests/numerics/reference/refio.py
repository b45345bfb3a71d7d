"""Writes reference cases in the plain text form the C++ tests read:

    case <name>
    <key> v1 v2 ...
    end

Values are printed with enough digits to round-trip (9 significant digits for
float32 inputs, 17 for float64 results)."""


def f32(v):
    return "%.9g" % v


def f64(v):
    return "%.17g" % v


class CaseWriter:
    def __init__(self, path, header):
        self.f = open(path, "w")
        for line in header.strip().splitlines():
            self.f.write("# " + line + "\n")

    def case(self, name, **items):
        self.f.write("case %s\n" % name)
        for key, (fmt, values) in items.items():
            if not hasattr(values, "__len__"):
                values = [values]
            self.f.write(key + " " + " ".join(fmt(v) for v in values) + "\n")
        self.f.write("end\n")

    def close(self):
        self.f.close()
