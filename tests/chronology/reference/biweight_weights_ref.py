# Run with /usr/bin/python3 (numpy); the output is biweight_weights_ref.txt.
# Tukey biweight weights of one sample, computed independently of the program:
# median M, median absolute deviation MAD, tuning constant 7.5, four location
# passes from T = M with the scale 7.5 * MAD held fixed; the weights are those
# of the last pass, (1 - u^2)^2 for |u| < 1 and 0 otherwise. Printed rounded to
# four decimals, as the weight files carry them, in the order of the sample.
import numpy as np

x = np.array([0.90, 1.00, 1.10, 1.05, 0.95, 1.02, 3.00], dtype=np.float32).astype(np.float64)
c = 7.5
M = np.median(x)
mad = np.median(np.abs(x - M))
T = M
for _ in range(4):
    u = (x - T) / (c * mad)
    inside = np.abs(u) < 1
    w = np.where(inside, (1 - u**2) ** 2, 0.0)
    last_w = w
    T = T + np.sum(((x - T) * w)[inside]) / np.sum(w[inside])
print("mean", f"{T:.4f}")
print("weights", " ".join(f"{v:.4f}" for v in last_w))
