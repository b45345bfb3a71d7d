# Reference varimax rotations from R's stats::varimax (normalize = TRUE):
# loadings of the leading principal components of correlation matrices of
# simulated series with a factor structure, rotated. R's algorithm (SVD
# iterations) differs from pairwise plane rotations; both maximise the same
# criterion, so rotated loadings agree up to the order and sign of columns.
# Run from this folder:  Rscript varimax_ref.R
set.seed(90210)
out <- file("varimax_ref.txt", "w")
writeLines("# Reference varimax rotations from R's stats::varimax; see varimax_ref.R.", out)
emit <- function(name, nser, nyears, nfac, nkeep) {
  f <- matrix(rnorm(nyears * nfac), nyears, nfac)
  load <- matrix(runif(nfac * nser, 0.3, 0.9) * (runif(nfac * nser) < 0.5), nfac, nser)
  x <- f %*% load + matrix(rnorm(nyears * nser, sd = 0.6), nyears, nser)
  e <- eigen(cor(x), symmetric = TRUE)
  l <- e$vectors[, 1:nkeep, drop = FALSE] %*% diag(sqrt(e$values[1:nkeep]), nkeep)
  l <- matrix(as.numeric(sprintf("%.7g", l)), nrow(l))  # as the float loadings will hold them
  v <- varimax(l, normalize = TRUE, eps = 1e-7)
  writeLines(sprintf("case %s", name), out)
  writeLines(sprintf("n %d", nser), out)
  writeLines(sprintf("nf %d", nkeep), out)
  writeLines(paste("a", paste(sprintf("%.9g", as.vector(l)), collapse = " ")), out)
  writeLines(paste("b", paste(sprintf("%.17g", as.vector(unclass(v$loadings))), collapse = " ")), out)
  writeLines("end", out)
}
emit("two_of_six", 6, 80, 2, 2)
emit("three_of_ten", 10, 120, 3, 3)
emit("four_of_25", 25, 200, 4, 4)
emit("three_of_15_mixed", 15, 90, 2, 3)
close(out)
