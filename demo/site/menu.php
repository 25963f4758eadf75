<?php
/**
 * Today's bread: the menu page of Harbour Bakery.
 *
 * Every item lists its price in euro, its weight in grams and the days it is baked
 * (1 is Monday)
 * and what it contains for those who must avoid it. Items sold out are marked by the morning shift in soldout.txt.
 */
declare(strict_types=1);

const CURRENCY = 'EUR';
const SOLD_OUT_FILE = __DIR__ . '/soldout.txt';

$breads = [
    ['name' => 'Sourdough rye', 'price' => 2.10, 'grams' => 400, 'days' => [1, 2, 4, 5], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Seeded spelt', 'price' => 3.30, 'grams' => 800, 'days' => [1, 3, 4, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'White tin', 'price' => 4.50, 'grams' => 750, 'days' => [2, 3, 5, 6], 'allergens' => 'gluten, sesame'],
    ['name' => 'Wholemeal', 'price' => 3.20, 'grams' => 700, 'days' => [1, 2, 4, 5], 'allergens' => 'gluten, egg'],
    ['name' => 'Oat and honey', 'price' => 4.40, 'grams' => 650, 'days' => [1, 3, 4, 6], 'allergens' => 'gluten, nuts'],
    ['name' => 'Olive fougasse', 'price' => 3.10, 'grams' => 600, 'days' => [2, 3, 5, 6], 'allergens' => 'gluten, milk'],
    ['name' => 'Walnut loaf', 'price' => 4.30, 'grams' => 550, 'days' => [1, 2, 4, 5], 'allergens' => 'gluten'],
    ['name' => 'Pumpernickel', 'price' => 3.00, 'grams' => 500, 'days' => [1, 3, 4, 6], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Ciabatta', 'price' => 4.20, 'grams' => 450, 'days' => [2, 3, 5, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Baguette', 'price' => 2.90, 'grams' => 400, 'days' => [1, 2, 4, 5], 'allergens' => 'gluten, sesame'],
    ['name' => 'Brioche', 'price' => 4.10, 'grams' => 800, 'days' => [1, 3, 4, 6], 'allergens' => 'gluten, egg'],
    ['name' => 'Challah', 'price' => 2.80, 'grams' => 750, 'days' => [2, 3, 5, 6], 'allergens' => 'gluten, nuts'],
    ['name' => 'Potato bread', 'price' => 4.00, 'grams' => 700, 'days' => [1, 2, 4, 5], 'allergens' => 'gluten, milk'],
    ['name' => 'Barley loaf', 'price' => 2.70, 'grams' => 650, 'days' => [1, 3, 4, 6], 'allergens' => 'gluten'],
    ['name' => 'Rye crispbread', 'price' => 3.90, 'grams' => 600, 'days' => [2, 3, 5, 6], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Malted grain', 'price' => 2.60, 'grams' => 550, 'days' => [1, 2, 4, 5], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Sunflower loaf', 'price' => 3.80, 'grams' => 500, 'days' => [1, 3, 4, 6], 'allergens' => 'gluten, sesame'],
    ['name' => 'Pain de campagne', 'price' => 2.50, 'grams' => 450, 'days' => [2, 3, 5, 6], 'allergens' => 'gluten, egg'],
    ['name' => 'Focaccia', 'price' => 3.70, 'grams' => 400, 'days' => [1, 2, 4, 5], 'allergens' => 'gluten, nuts'],
    ['name' => 'Milk loaf', 'price' => 2.40, 'grams' => 800, 'days' => [1, 3, 4, 6], 'allergens' => 'gluten, milk'],
];

$sweets = [
    ['name' => 'Cardamom bun', 'price' => 0.90, 'grams' => 60, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten'],
    ['name' => 'Cinnamon roll', 'price' => 1.70, 'grams' => 105, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Almond croissant', 'price' => 2.50, 'grams' => 150, 'days' => [1, 3, 4, 5], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Butter croissant', 'price' => 1.20, 'grams' => 90, 'days' => [2, 3, 4, 6], 'allergens' => 'gluten, sesame'],
    ['name' => 'Pain au chocolat', 'price' => 2.00, 'grams' => 135, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten, egg'],
    ['name' => 'Apple turnover', 'price' => 2.80, 'grams' => 75, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten, nuts'],
    ['name' => 'Custard tart', 'price' => 1.50, 'grams' => 120, 'days' => [1, 3, 4, 5], 'allergens' => 'gluten, milk'],
    ['name' => 'Lemon curd tart', 'price' => 2.30, 'grams' => 60, 'days' => [2, 3, 4, 6], 'allergens' => 'gluten'],
    ['name' => 'Blueberry muffin', 'price' => 1.00, 'grams' => 105, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Ginger biscuit', 'price' => 1.80, 'grams' => 150, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Shortbread', 'price' => 2.60, 'grams' => 90, 'days' => [1, 3, 4, 5], 'allergens' => 'gluten, sesame'],
    ['name' => 'Eccles cake', 'price' => 1.30, 'grams' => 135, 'days' => [2, 3, 4, 6], 'allergens' => 'gluten, egg'],
    ['name' => 'Rhubarb slice', 'price' => 2.10, 'grams' => 75, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten, nuts'],
    ['name' => 'Plum cake', 'price' => 2.90, 'grams' => 120, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten, milk'],
    ['name' => 'Carrot cake', 'price' => 1.60, 'grams' => 60, 'days' => [1, 3, 4, 5], 'allergens' => 'gluten'],
    ['name' => 'Honey cake', 'price' => 2.40, 'grams' => 105, 'days' => [2, 3, 4, 6], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Poppy seed roll', 'price' => 1.10, 'grams' => 150, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Raisin swirl', 'price' => 1.90, 'grams' => 90, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten, sesame'],
    ['name' => 'Fig roll', 'price' => 2.70, 'grams' => 135, 'days' => [1, 3, 4, 5], 'allergens' => 'gluten, egg'],
    ['name' => 'Hazelnut twist', 'price' => 1.40, 'grams' => 75, 'days' => [2, 3, 4, 6], 'allergens' => 'gluten, nuts'],
    ['name' => 'Saffron bun', 'price' => 1.30, 'grams' => 80, 'days' => [2, 4, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Treacle tart', 'price' => 1.65, 'grams' => 95, 'days' => [1, 3, 5], 'allergens' => 'gluten'],
    ['name' => 'Marzipan loaf', 'price' => 2.00, 'grams' => 110, 'days' => [2, 4, 6], 'allergens' => 'nuts, egg'],
    ['name' => 'Cherry scone', 'price' => 2.35, 'grams' => 125, 'days' => [1, 3, 5], 'allergens' => 'gluten, milk'],
    ['name' => 'Oat flapjack', 'price' => 2.70, 'grams' => 140, 'days' => [2, 4, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Quince tartlet', 'price' => 3.05, 'grams' => 155, 'days' => [1, 3, 5], 'allergens' => 'gluten'],
];

$savoury = [
    ['name' => 'Cheese scone', 'price' => 1.80, 'grams' => 90, 'days' => [1, 2, 3, 4, 6], 'allergens' => 'gluten'],
    ['name' => 'Sausage roll', 'price' => 2.20, 'grams' => 190, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Spinach pasty', 'price' => 2.60, 'grams' => 170, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten, egg'],
    ['name' => 'Leek and potato pie', 'price' => 3.00, 'grams' => 150, 'days' => [1, 3, 4, 5, 6], 'allergens' => 'gluten, milk'],
    ['name' => 'Onion tart', 'price' => 3.40, 'grams' => 130, 'days' => [2, 3, 4, 5], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Pretzel', 'price' => 1.90, 'grams' => 110, 'days' => [1, 2, 3, 4, 6], 'allergens' => 'gluten, sesame'],
    ['name' => 'Tomato focaccia slice', 'price' => 2.30, 'grams' => 90, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten, nuts'],
    ['name' => 'Cornish pasty', 'price' => 2.70, 'grams' => 190, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten'],
    ['name' => 'Mushroom quiche', 'price' => 3.10, 'grams' => 170, 'days' => [1, 3, 4, 5, 6], 'allergens' => 'gluten, milk, egg'],
    ['name' => 'Herb twist', 'price' => 3.50, 'grams' => 150, 'days' => [2, 3, 4, 5], 'allergens' => 'gluten, egg'],
    ['name' => 'Salt bagel', 'price' => 2.00, 'grams' => 130, 'days' => [1, 2, 3, 4, 6], 'allergens' => 'gluten, milk'],
    ['name' => 'Feta and olive roll', 'price' => 2.40, 'grams' => 110, 'days' => [1, 2, 3, 5, 6], 'allergens' => 'gluten, milk, nuts'],
    ['name' => 'Pea and mint pasty', 'price' => 2.80, 'grams' => 90, 'days' => [1, 2, 4, 5, 6], 'allergens' => 'gluten, sesame'],
    ['name' => 'Bacon bap', 'price' => 3.20, 'grams' => 190, 'days' => [1, 3, 4, 5, 6], 'allergens' => 'gluten, nuts'],
    ['name' => 'Ham and cheese croissant', 'price' => 3.60, 'grams' => 170, 'days' => [2, 3, 4, 5], 'allergens' => 'gluten'],
];

/** The names the morning shift marked as sold out, one a line. */
function soldOut(string $file): array
{
    if (!is_readable($file)) {
        return [];
    }
    $lines = file($file, FILE_IGNORE_NEW_LINES | FILE_SKIP_EMPTY_LINES);
    return array_map('trim', $lines ?: []);
}

/** Items baked on the given weekday, cheapest first. */
function bakedOn(array $items, int $weekday): array
{
    $today = array_filter($items, fn (array $item): bool => in_array($weekday, $item['days'], true));
    usort($today, fn (array $a, array $b): int => $a['price'] <=> $b['price']);
    return $today;
}

/** A price as the shop's labels show it: two decimals and the currency. */
function price(float $amount): string
{
    return number_format($amount, 2, ',', '.') . ' ' . CURRENCY;
}

function row(array $item, array $gone): string
{
    $name = htmlspecialchars($item['name'], ENT_QUOTES);
    $class = in_array($item['name'], $gone, true) ? ' class="sold-out"' : '';
    return sprintf(
        "<tr%s><td>%s</td><td>%d g</td><td>%s</td><td>%s</td></tr>\n",
        $class,
        $name,
        $item['grams'],
        htmlspecialchars($item['allergens']),
        price($item['price'])
    );
}

$weekday = (int) date('N');
$gone = soldOut(SOLD_OUT_FILE);
$sections = [
    'Bread' => bakedOn($breads, $weekday),
    'Sweet things' => bakedOn($sweets, $weekday),
    'Savoury' => bakedOn($savoury, $weekday),
];
?>
<!DOCTYPE html>
<html lang="en">
<head>
  <meta charset="utf-8">
  <title>Today's bread &middot; Harbour Bakery</title>
  <link rel="stylesheet" href="css/style.css">
</head>
<body>
  <h1>Today's bread</h1>
<?php if ($weekday === 7): ?>
  <p>We are closed on Sundays. See you tomorrow!</p>
<?php else: ?>
<?php foreach ($sections as $title => $items): ?>
  <h2><?= htmlspecialchars($title) ?></h2>
  <table class="menu">
    <tr><th>Item</th><th>Weight</th><th>Contains</th><th>Price</th></tr>
<?php foreach ($items as $item): ?>
    <?= row($item, $gone) ?>
<?php endforeach; ?>
  </table>
<?php endforeach; ?>
<?php endif; ?>
  <p><a href="index.html">Back to the front page</a></p>
</body>
</html>
