# The disk manager sheet (Qt).
