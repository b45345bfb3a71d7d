# The yardstick of scripts/benchmark.sh: kovrin's default pipeline done in base
# R (the base and stats packages only), to time the program against:
#
#   Rscript scripts/bench/pipeline.R FILE.rwl
#
# 1. read the Tucson ring-width file;
# 2. detrend every series by a cubic smoothing spline with a 50% frequency
#    response at two thirds of its length, indices as ratios;
# 3. the robust chronology: Tukey's biweight mean of each year's indices;
# 4. the all-series rbar: the Pearson correlation of every pair of series over
#    the years both cover, for the pairs sharing more than 20 years;
# 5. running rbar and EPS in windows of 50 years overlapping by 25, over the
#    pairs that cover a whole window;
# 6. a Burg AR model of every series (order by AIC, at most 10) and its
#    residuals, prewhitened indices;
# 7. the residual chronology: the biweight mean of the prewhitened indices.
# It prints a few of the figures it computes, so that nothing is left unused.

args <- commandArgs(trailingOnly = TRUE)
if (length(args) != 1) stop("usage: Rscript pipeline.R FILE.rwl")

read_tucson <- function(path) {
  lines <- readLines(path, warn = FALSE)
  lines <- sub("\r+$", "", lines)
  lines <- lines[nchar(lines) >= 13]
  # the year takes one or two columns from the identifier when it needs them
  year_from <- ifelse(substr(lines, 7, 7) == "-", 7L, ifelse(substr(lines, 8, 8) == "-", 8L, 9L))
  year <- suppressWarnings(as.integer(substr(lines, year_from, 12)))
  id <- trimws(substr(lines, 1, year_from - 1))
  fields <- sapply(0:9, function(k) suppressWarnings(as.integer(substr(lines, 13 + 6 * k, 18 + 6 * k))))
  if (is.null(dim(fields))) fields <- matrix(fields, nrow = 1)
  data <- !is.na(year) & !is.na(fields[, 1])
  id <- id[data]; year <- year[data]; fields <- fields[data, , drop = FALSE]
  series <- list()
  for (s in unique(id)) {
    rows <- which(id == s)
    v <- as.vector(t(fields[rows, , drop = FALSE]))
    y <- as.vector(t(outer(year[rows], 0:9, "+")))
    end <- which(v %in% c(999L, -9999L))[1]
    scale <- if (!is.na(end) && v[end] == -9999L) 0.001 else 0.01
    keep <- !is.na(v) & seq_along(v) < ifelse(is.na(end), Inf, end)
    v <- v[keep]; y <- y[keep]
    if (length(v) == 0) next
    v <- ifelse(v < 0, NA, v * scale)
    series[[s]] <- list(first = min(y), values = v[order(y)])
  }
  first <- min(sapply(series, `[[`, "first"))
  last <- max(sapply(series, function(s) s$first + length(s$values) - 1))
  x <- matrix(NA_real_, last - first + 1, length(series))
  for (j in seq_along(series)) {
    s <- series[[j]]
    x[s$first - first + seq_along(s$values), j] <- s$values
  }
  list(x = x, first = first)
}

spline_indices <- function(x) {
  out <- x
  for (j in seq_len(ncol(x))) {
    rows <- which(!is.na(x[, j]))
    n <- length(rows)
    if (n < 4) next
    v <- x[rows, j]
    period <- 2 / 3 * n
    # lambda of a 50% response at `period` years, on the spline's [0, 1] scale
    fit <- smooth.spline(seq_len(n), v, lambda = (period / (2 * pi))^4 / (n - 1)^3, all.knots = TRUE)
    curve <- pmax(fitted(fit), 1e-6)
    out[rows, j] <- v / curve
  }
  out
}

biweight <- function(v, c = 7.5) {
  v <- v[!is.na(v)]
  if (length(v) == 0) return(NA_real_)
  m <- median(v)
  mad <- median(abs(v - m))
  if (length(v) <= 5 || mad < 1e-4) return(m)
  t <- m
  for (pass in 1:4) {
    u <- (v - t) / (c * mad)
    w <- ifelse(abs(u) < 1, (1 - u^2)^2, 0)
    t <- t + sum((v - t) * w) / sum(w)
  }
  t
}

chronology <- function(x) apply(x, 1, biweight)

all_series_rbar <- function(x) {
  v <- !is.na(x) * 1
  x0 <- x
  x0[is.na(x0)] <- 0
  n <- crossprod(v)                # years each pair shares
  s1 <- crossprod(x0, v)           # s1[i, j]: the sum of series i over the years of j
  s2 <- crossprod(x0^2, v)
  sxy <- crossprod(x0)
  vx <- n * s2 - s1^2
  r <- (n * sxy - s1 * t(s1)) / sqrt(vx * t(vx))
  use <- upper.tri(n) & n > 20 & is.finite(r)
  c(rbar = mean(r[use]), pairs = sum(use))
}

running_eps <- function(x, window = 50, overlap = 25) {
  starts <- seq(1, nrow(x) - window + 1, by = window - overlap)
  t(sapply(starts, function(s) {
    rows <- s:(s + window - 1)
    block <- x[rows, , drop = FALSE]
    cover <- colSums(is.na(block)) == 0
    if (sum(cover) < 2) return(c(rbar = NA, eps = NA))
    r <- cor(block[, cover, drop = FALSE])
    rbar <- mean(r[upper.tri(r)], na.rm = TRUE)
    nss <- sum(!is.na(block)) / window
    c(rbar = rbar, eps = rbar / ((1 - rbar) / nss + rbar))
  }))
}

prewhiten <- function(x) {
  out <- x
  for (j in seq_len(ncol(x))) {
    rows <- which(!is.na(x[, j]))
    if (length(rows) < 12) next
    v <- x[rows, j]
    fit <- ar.burg(v, aic = TRUE, order.max = 10)
    out[rows, j] <- fit$resid + mean(v)
  }
  out
}

rwl <- read_tucson(args[1])
indices <- spline_indices(rwl$x)
std <- chronology(indices)
rbar <- all_series_rbar(indices)
eps <- running_eps(indices)
res <- chronology(prewhiten(indices))
cat(sprintf("%d series, %d years: rbar %.3f over %d pairs, %d windows, std mean %.3f, res mean %.3f\n",
            ncol(rwl$x), nrow(rwl$x), rbar[["rbar"]], as.integer(rbar[["pairs"]]), nrow(eps),
            mean(std, na.rm = TRUE), mean(res, na.rm = TRUE)))
