# Reference five-number summaries from R's fivenum (Tukey's hinges), for
# samples of every small size, ties, negative values and a long sample.
# Values carry three decimals, as ring widths do.
# Run from this folder:  Rscript fivenum_ref.R
set.seed(4417)
out <- file("fivenum_ref.txt", "w")
writeLines(c("# Reference five-number summaries from R's fivenum; see fivenum_ref.R.",
             "# five: minimum, lower hinge, median, upper hinge, maximum"), out)
emit <- function(name, x) {
  writeLines(sprintf("case %s", name), out)
  writeLines(paste("x", paste(sprintf("%.9g", x), collapse = " ")), out)
  writeLines(paste("five", paste(sprintf("%.17g", fivenum(x)), collapse = " ")), out)
  writeLines("end", out)
}
for (n in 1:13) emit(sprintf("n%d", n), round(rnorm(n, 1, 0.4), 3))
emit("ties", c(2, 1, 2, 2, 3, 1, 2, 2, 5, 2, 2))
emit("negative", round(rnorm(24, -3, 2), 3))
emit("constant", rep(0.75, 9))
emit("n250", round(rlnorm(250, 0, 0.6), 3))
emit("n1001", round(runif(1001, -50, 50), 3))
close(out)
