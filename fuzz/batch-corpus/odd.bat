del a&b
copy "x y" z
