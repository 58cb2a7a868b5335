#!/usr/bin/env python3
"""Writes DxFormulaReferences.inc beside the tests: values of published formulas that the derived-quantity
formulas are checked against. Standard library only; run it from anywhere.

Bolton, D. (1980): The computation of equivalent potential temperature. Monthly Weather Review 108, 1046-1053.
  eq. 10  e   = 6.112 exp(17.67 Td / (Td + 243.5))                        (mbar, Td in Celsius)
  eq. 15  T_L = 1 / (1 / (T_D - 56) + ln(T_K / T_D) / 800) + 56            (kelvin)
  eq. 43  theta_E = T_K (1000 / p)^(0.2854 (1 - 0.28e-3 r))
                    exp((3.376 / T_L - 0.00254) r (1 + 0.81e-3 r))         (r in g/kg)
  over T from -20 to 30 C, Td at or below T and no lower than -30 C (the range over which Bolton gives eq. 10
  as accurate to 0.1 percent), p from 700 to 1000 mbar.

NWS/ASOS altimeter setting (Federal Meteorological Handbook No. 1; ASOS User's Guide), pressures in mbar,
station elevation H in metres, including the 0.3 mbar correction:
  A = (P - 0.3) (1 + (1013.25^n 0.0065 / 288) H / (P - 0.3)^n)^(1 / n),  n = 0.190284
"""
import math
from pathlib import Path

OUT = Path(__file__).resolve().parents[1] / "DxFormulaReferences.inc"


def bolton_vapour(td):
    return 6.112 * math.exp(17.67 * td / (td + 243.5))


def bolton_tl(t, td):
    tk, tdk = t + 273.15, td + 273.15
    return 1.0 / (1.0 / (tdk - 56.0) + math.log(tk / tdk) / 800.0) + 56.0


def bolton_theta_e(t, td, p):
    e = bolton_vapour(td)
    r = 622.0 * e / (p - e)
    tl = bolton_tl(t, td)
    return (t + 273.15) * (1000.0 / p) ** (0.2854 * (1.0 - 0.28e-3 * r)) * math.exp(
        (3.376 / tl - 0.00254) * r * (1.0 + 0.81e-3 * r))


def nws_altimeter(p, h):
    n = 0.190284
    return (p - 0.3) * (1.0 + (1013.25 ** n * 0.0065 / 288.0) * h / (p - 0.3) ** n) ** (1.0 / n)


def main():
    lines = ["// Written by tools/make_formula_references.py; do not edit.", "",
             "// {T C, Td C, p mbar, T_L K (Bolton eq. 15), theta_E K (Bolton eq. 43 with eqs. 10 and 15)}",
             "static constexpr BoltonCase kBoltonCases[] = {"]
    for t in range(-20, 31, 5):
        for depression in (0, 2, 5, 10, 20, 30):
            td = t - depression
            if td < -30:
                continue
            for p in (700, 850, 1000):
                lines.append("    {%d, %d, %d, %.4f, %.4f}," % (t, td, p, bolton_tl(t, td), bolton_theta_e(t, td, p)))
    lines += ["};", "", "// {P mbar, H m, altimeter setting mbar (NWS/ASOS formula)}",
              "static constexpr AltimeterCase kAltimeterCases[] = {"]
    for p, h in ((850, 1500), (1000, 100), (950, 500), (900, 1000)):
        lines.append("    {%d, %d, %.2f}," % (p, h, nws_altimeter(p, h)))
    lines.append("};")
    OUT.write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
